#include "import/CsvMappingDialog.h"
#include "data/Schema.h"
#include "import/ContactImport.h"
#include "import/FieldCaptions.h"
#include "import/OtherCsvImport.h"
#include "platform/ScreenMetrics.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

namespace qv {

namespace {

constexpr int PreviewRows = 5;

// A value as the import would store it: cut to its field's width, a date as stored, nothing for a value its field
// cannot hold.
QString asStored(const QString& column, QString text)
{
    const ColumnDef* c = requireTable(QStringLiteral("People")).column(column);
    if (c->type == ColumnType::DateTime) {
        const QString date = importedDateText(text);
        return date.isEmpty() ? QString() : date.endsWith(QLatin1String(" 00:00:00")) ? date.left(10) : date;
    }
    if (c->type == ColumnType::Integer) {
        bool ok = false;
        text.trimmed().toInt(&ok);
        return ok ? text.trimmed() : QString();
    }
    cutToWidth(text, c->width);
    return text;
}

} // namespace

TCsvMappingForm::TCsvMappingForm(const QString& fileName, const QStringList& header,
                                 const std::vector<QStringList>& rows, const std::vector<CsvTarget>& suggested,
                                 QWidget* parent)
    : QDialog(parent), m_header(header), m_rows(rows)
{
    setObjectName("TCsvMappingForm");
    setWindowTitle("Import contacts from a CSV file");
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("The columns of \"%1\" are not those of a file this import knows. Choose "
                                            "the contact field each column goes to, or \"Leave out\"; the columns "
                                            "given one field are joined.")
                                 .arg(QFileInfo(fileName).fileName()),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* columns = new QWidget;
    auto* grid = new QGridLayout(columns);
    grid->addWidget(new QLabel("<b>Column</b>"), 0, 0);
    grid->addWidget(new QLabel("<b>First row</b>"), 0, 1);
    grid->addWidget(new QLabel("<b>Contact field</b>"), 0, 2);
    for (int i = 0; i < header.size(); ++i) {
        auto* name = new QLabel(header[i].isEmpty() ? QStringLiteral("(column %1)").arg(i + 1) : header[i]);
        QString sample = rows.empty() ? QString() : rows.front().value(i);
        sample.replace(u'\n', u' ').replace(u'\r', u' ');
        auto* first = new QLabel(fontMetrics().elidedText(sample, Qt::ElideRight, 180));
        auto* pick = new QComboBox;
        pick->setObjectName(QStringLiteral("ColumnPick%1").arg(i));
        pick->addItem(QStringLiteral("Leave out"), QString());
        for (const FieldCaption& f : contactFieldCaptions())
            pick->addItem(QString::fromUtf8(f.caption), QString::fromLatin1(f.column));
        const CsvTarget& s = suggested.at(size_t(i));
        if (s.kind == CsvTarget::Field) pick->setCurrentIndex(std::max(0, pick->findData(s.column)));
        name->setBuddy(pick);
        pick->setAccessibleName(QStringLiteral("Field for the column %1").arg(name->text()));
        grid->addWidget(name, i + 1, 0);
        grid->addWidget(first, i + 1, 1);
        grid->addWidget(pick, i + 1, 2);
        connect(pick, &QComboBox::currentIndexChanged, this, &TCsvMappingForm::updatePreview);
        m_picks.push_back(pick);
    }
    // Rows keep their height; the room left is below them.
    grid->setRowStretch(int(header.size()) + 1, 1);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("ColumnsArea");
    scroll->setWidget(columns);
    scroll->setWidgetResizable(true);
    layout->addWidget(scroll, 1);

    NameHint = new QLabel("Choose the column that holds the name: every contact needs one.", this);
    NameHint->setObjectName("NameHint");
    layout->addWidget(NameHint);
    auto* previewLabel = new QLabel("Preview: the first rows as they would be stored", this);
    layout->addWidget(previewLabel);
    PreviewGrid = new QTableWidget(this);
    PreviewGrid->setObjectName("PreviewGrid");
    PreviewGrid->setAccessibleName(previewLabel->text());
    PreviewGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    PreviewGrid->setFixedHeight(PreviewGrid->horizontalHeader()->sizeHint().height() + 24 * PreviewRows + 6);
    PreviewGrid->verticalHeader()->setDefaultSectionSize(24);
    layout->addWidget(PreviewGrid);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    OkButton = buttons->button(QDialogButtonBox::Ok);
    OkButton->setObjectName("OkButton");
    CancelButton = buttons->button(QDialogButtonBox::Cancel);
    CancelButton->setObjectName("CancelButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    updatePreview();
    resize(sizeWithinWorkArea(QSize(640, 560)));
}

std::vector<CsvTarget> TCsvMappingForm::targets() const
{
    std::vector<CsvTarget> out;
    for (const QComboBox* pick : m_picks) {
        const QString column = pick->currentData().toString();
        out.push_back(column.isEmpty() ? CsvTarget{} : CsvTarget::field(column));
    }
    return out;
}

void TCsvMappingForm::updatePreview()
{
    const CsvRowReader reader(targets());
    const QStringList& fields = reader.fields();
    bool named = false;
    for (const QComboBox* pick : m_picks) named = named || pick->currentData().toString() == u"Name";
    NameHint->setVisible(!named);
    OkButton->setEnabled(named);

    // The name is always the first field; without a column for it, it shows what the import would take instead.
    PreviewGrid->clear();
    PreviewGrid->setColumnCount(int(fields.size()));
    QStringList captions;
    for (const QString& f : fields) captions << contactFieldCaption(f);
    PreviewGrid->setHorizontalHeaderLabels(captions);
    const int rows = int(std::min<size_t>(m_rows.size(), PreviewRows));
    PreviewGrid->setRowCount(rows);
    QStringList texts;
    for (int r = 0; r < rows; ++r) {
        QList<QStringView> row;
        for (const QString& cell : m_rows[size_t(r)]) row << cell;
        reader.read(row, texts);
        for (int c = 0; c < fields.size(); ++c)
            PreviewGrid->setItem(r, c, new QTableWidgetItem(asStored(fields[c], texts[c])));
    }
    PreviewGrid->resizeColumnsToContents();
}

} // namespace qv
