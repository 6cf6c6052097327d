#include "analysis/FiltersForm.h"
#include "analysis/FilterResultsModel.h"
#include "data/DataModule.h"
#include "platform/Accessibility.h"
#include "platform/Messages.h"
#include "platform/RecordToolbar.h"
#include "platform/ScreenMetrics.h"
#include "platform/ShellOpen.h"
#include "reports/TFReport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>

namespace qv {

namespace {

// Postal codes are kept in capitals whatever the user types.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

QLabel* boldLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

// Screen positions of the criteria: the two columns and the rows of the two address groups.
const int LeftColumn[] = {0, 1, 2, 3, 4, 12, 13, 14, 15};
const int RightColumn[] = {5, 6, 7, 8, 9, 10, 11, 17, 16};
const int HomeAddress[] = {18, 19, 20, 21, 22, 23};
const int BusinessAddress[] = {24, 25, 26, 27, 28, 29};

} // namespace

TFilters::TFilters(TMainDataModule& dm, QWidget* parent) : QDialog(parent), m_dm(dm)
{
    setObjectName("TFilters");
    setWindowTitle("Filters");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    const auto& list = filterCriteria();
    m_criteria.resize(list.size());
    auto* content = new QWidget;
    content->setObjectName("FiltersContent");
    auto* layout = new QVBoxLayout(content);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(
        boldLabel("Check the variable(s) you want to search with then enter the convenient value(s).", this));

    auto* columns = new QHBoxLayout;
    for (const auto& column : {LeftColumn, RightColumn}) {
        auto* grid = new QGridLayout;
        grid->setColumnMinimumWidth(0, 100);
        int row = 0;
        for (int i = 0; i < 9; ++i) {
            QWidget* value = buildCriterion(column[i]);
            value->setFixedWidth(230); // the longest list entry, and two columns within an 800-pixel screen
            grid->addWidget(m_criteria[size_t(column[i])].check, row, 0);
            grid->addWidget(value, row++, 1);
        }
        columns->addLayout(grid);
        columns->addSpacing(12);
    }
    layout->addLayout(columns);

    for (auto [title, members] :
         {std::pair{"Home address", HomeAddress}, std::pair{"Business address", BusinessAddress}}) {
        auto* group = new QGroupBox(title, this);
        group->setObjectName(title == QLatin1String("Home address") ? "HomeAddressGroup" : "BusinessAddressGroup");
        auto* grid = new QGridLayout(group);
        for (int i = 0; i < 6; ++i) {
            QWidget* value = buildCriterion(members[i]);
            value->setFixedWidth(150);
            grid->addWidget(m_criteria[size_t(members[i])].check, i / 3, (i % 3) * 2);
            grid->addWidget(value, i / 3, (i % 3) * 2 + 1);
        }
        layout->addWidget(group);
    }

    layout->addWidget(boldLabel("Filtering results", this));
    m_model = new FilterResultsModel(this);
    ResultsGrid = new QTableView(this);
    ResultsGrid->setObjectName("ResultsGrid");
    ResultsGrid->setAccessibleName("Filtering results");
    ResultsGrid->setModel(m_model);
    ResultsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ResultsGrid->setFixedHeight(190);
    ResultsGrid->horizontalHeader()->setHighlightSections(false);
    ResultsGrid->horizontalHeader()->setStretchLastSection(false);
    ResultsGrid->horizontalHeader()->setMinimumSectionSize(8); // the number column is narrower than the style's minimum
    // Rows keep a uniform default height so that a grid of many results lays out without measuring rows.
    ResultsGrid->verticalHeader()->setDefaultSectionSize(20);
    ResultsGrid->verticalHeader()->setMinimumSectionSize(8);
    ResultsGrid->verticalHeader()->setFixedWidth(12);
    ResultsGrid->verticalHeader()->setSectionsMovable(true); // rows may be dragged to another position
    ResultsGrid->viewport()->setMouseTracking(true);
    ResultsGrid->horizontalHeader()->viewport()->setMouseTracking(true);
    ResultsGrid->viewport()->installEventFilter(this);
    ResultsGrid->horizontalHeader()->viewport()->installEventFilter(this);
    layout->addWidget(ResultsGrid);

    auto* bottom = new QHBoxLayout;
    FilterButton = new QPushButton("Filter", this);
    FilterButton->setObjectName("FilterButton");
    FilterButton->setDefault(true);
    FilterButton->setAutoDefault(true);
    bottom->addWidget(FilterButton, 0, Qt::AlignBottom);

    const QString bulkHint = QStringLiteral("Send bulk email to all the filtering results");
    auto* bulkGroup = new QGroupBox(bulkHint, this);
    bulkGroup->setObjectName("BulkEmailGroup");
    auto* bulkLayout = new QHBoxLayout(bulkGroup);
    auto* yourLabel = new QLabel("Your email address", bulkGroup);
    YourEmailEdit = new QLineEdit(bulkGroup);
    YourEmailEdit->setObjectName("YourEmailEdit");
    YourEmailEdit->setFixedWidth(220);
    yourLabel->setBuddy(YourEmailEdit);
    YourEmailEdit->setAccessibleName("Your email address");
    BulkEmailButton = hintedButton(
        bulkHint, QStyle::SP_ArrowForward, [this] { BulkEmailButtonClick(); }, bulkGroup);
    BulkEmailButton->setAutoRaise(false); // a button beside its field, raised as the window's other buttons
    BulkEmailButton->setFixedSize(34, 26);
    bulkLayout->addWidget(yourLabel);
    bulkLayout->addWidget(YourEmailEdit);
    bulkLayout->addWidget(BulkEmailButton);
    bottom->addStretch(1);
    bottom->addWidget(bulkGroup);
    bottom->addStretch(1);

    ExportButton = new QPushButton("&Export", this);
    ExportButton->setObjectName("ExportButton");
    ExportButton->setAutoDefault(false);
    auto* exportMenu = new QMenu(ExportButton);
    exportMenu->setObjectName("ExportMenu");
    QAction* toVCard = exportMenu->addAction("Contacts to a &vCard file...");
    toVCard->setObjectName("ExportVCardAction");
    QAction* toCsv = exportMenu->addAction("Contacts to a &CSV file...");
    toCsv->setObjectName("ExportCsvAction");
    ExportButton->setMenu(exportMenu);
    bottom->addWidget(ExportButton, 0, Qt::AlignBottom);
    connect(toVCard, &QAction::triggered, this, [this] {
        if (exportCommand) exportCommand(resultPositions(), ExportKind::VCard);
    });
    connect(toCsv, &QAction::triggered, this, [this] {
        if (exportCommand) exportCommand(resultPositions(), ExportKind::Csv);
    });

    ReportButton = new QPushButton("Report...", this);
    ReportButton->setObjectName("ReportButton");
    ReportButton->setAutoDefault(false);
    bottom->addWidget(ReportButton, 0, Qt::AlignBottom);
    layout->addLayout(bottom);

    // The window keeps the size of its contents where the screen has room for it; on a smaller screen it takes
    // what there is and its contents scroll, so that nothing lies out of reach below the screen's edge.
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName("FiltersScrollArea");
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setWidget(content);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll);

    connect(FilterButton, &QPushButton::clicked, this, &TFilters::FilterButtonClick);
    connect(ReportButton, &QPushButton::clicked, this, &TFilters::ReportButtonClick);

    Dataset* roles = dm.PeopleProjectDetail;
    reportCommand = [roles](std::shared_ptr<const report::LineSource> lines) {
        produceFilteringReport(std::move(lines), roles);
    };

    reset();
}

QWidget* TFilters::buildCriterion(int index)
{
    const FilterCriterion& c = filterCriteria()[size_t(index)];
    const QString field = QString::fromLatin1(c.field);
    auto* check = new QCheckBox(QString::fromLatin1(c.caption), this);
    check->setObjectName(field + "Check");
    check->setToolTip(QString::fromLatin1(c.hint));
    check->setAccessibleName(QString::fromLatin1(c.hint));
    QWidget* value;
    if (c.domain) {
        auto* list = new QComboBox(this);
        list->addItems(*c.domain);
        // Announced by its criterion's check box, not by the entry it holds.
        setListCaption(list, check);
        value = list;
    } else {
        auto* box = new QLineEdit(this);
        if (c.upperCase) box->setValidator(new UpperCaseValidator(box));
        value = box;
    }
    value->setObjectName(field + "Value");
    value->setAccessibleName(QString::fromLatin1(c.hint));
    // A hidden value keeps its place, so the columns do not jump when boxes are ticked.
    QSizePolicy policy = value->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    value->setSizePolicy(policy);
    m_criteria[size_t(index)] = {check, value};
    connect(check, &QCheckBox::toggled, this, [this, index](bool on) { setValueShown(index, on); });
    return value;
}

QString TFilters::valueText(int criterion) const
{
    QWidget* value = m_criteria[size_t(criterion)].value;
    if (auto* list = qobject_cast<QComboBox*>(value)) return list->currentText();
    return static_cast<QLineEdit*>(value)->text();
}

void TFilters::setValueShown(int criterion, bool shown)
{
    QWidget* value = m_criteria[size_t(criterion)].value;
    if (!shown) {
        if (auto* list = qobject_cast<QComboBox*>(value))
            list->setCurrentIndex(-1);
        else
            static_cast<QLineEdit*>(value)->clear();
    }
    value->setEnabled(shown);
    value->setVisible(shown);
}

void TFilters::reset()
{
    m_model->clear();
    for (int c = 0; c < FilterResultsModel::ColumnCount; ++c) {
        static const int widths[] = {25, 125, 55, 80, 150};
        ResultsGrid->setColumnWidth(c, widths[c]);
    }
    setResultCommandsEnabled(false);
    for (size_t i = 0; i < m_criteria.size(); ++i) {
        m_criteria[i].check->setChecked(false);
        setValueShown(int(i), false);
    }
    // The user's own address is deliberately kept: it survives closing and reopening the window.
}

int TFilters::ShowModal() { return exec(); }

QStringList TFilters::resultText() const { return m_model->run().text(); }

void TFilters::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        reset();
        setFixedSize(sizeForScrolledContents(m_scroll));
        centreInWorkArea(this);
    }
    QDialog::showEvent(event);
}

void TFilters::setResultCommandsEnabled(bool enabled)
{
    ReportButton->setEnabled(enabled);
    ExportButton->setEnabled(enabled);
    BulkEmailButton->setEnabled(enabled);
}

void TFilters::FilterButtonClick()
{
    setResultCommandsEnabled(false);
    m_model->clear();
    FilterValues values(m_criteria.size());
    for (size_t i = 0; i < m_criteria.size(); ++i) {
        if (!m_criteria[i].check->isChecked()) continue;
        values[i] = valueText(int(i));
        // A ticked box without a value takes no part in the run: it is cleared as if the user had cleared it.
        if (values[i].isEmpty()) m_criteria[i].check->setChecked(false);
    }
    FilterRun run = runFilter(m_dm, values);
    const bool found = run.resultCount() > 0;
    m_model->setRun(std::move(run));
    setResultCommandsEnabled(found);
}

void TFilters::emailCell(int column, const QString& text)
{
    if (column == FilterResultsModel::EmailColumn) shellOpen(mailtoLink(text), ShowMode::Maximized);
}

void TFilters::BulkEmailButtonClick()
{
    const QString own = YourEmailEdit->text();
    if (own.isEmpty()) {
        showError("You must enter your email address.");
        return;
    }
    // The grid's current row order: the user may have dragged rows. Empty addresses keep their place.
    QStringList list;
    const QHeaderView* rows = ResultsGrid->verticalHeader();
    for (int visual = 0; visual < m_model->rowCount(); ++visual) {
        const int row = rows->logicalIndex(visual);
        if (row >= m_model->resultCount()) continue;
        list << m_model->cellText(row, FilterResultsModel::EmailColumn);
    }
    shellOpen(mailtoLink(own, QStringLiteral("bcc"), list), ShowMode::Maximized);
}

std::vector<int> TFilters::resultPositions() const
{
    std::vector<int> positions;
    const QHeaderView* rows = ResultsGrid->verticalHeader();
    for (int visual = 0; visual < m_model->rowCount(); ++visual) {
        const int row = rows->logicalIndex(visual);
        if (row < m_model->resultCount()) positions.push_back(m_model->run().position(row));
    }
    return positions;
}

void TFilters::ReportButtonClick()
{
    if (reportCommand) reportCommand(m_model->sharedRun());
}

bool TFilters::eventFilter(QObject* watched, QEvent* event)
{
    const bool header = watched == ResultsGrid->horizontalHeader()->viewport();
    if (!header && watched != ResultsGrid->viewport()) return QDialog::eventFilter(watched, event);
    if (event->type() != QEvent::MouseMove && event->type() != QEvent::MouseButtonRelease)
        return QDialog::eventFilter(watched, event);

    const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
    int column = -1;
    QString text;
    bool nearEdge = false;
    if (header) {
        const QHeaderView* h = ResultsGrid->horizontalHeader();
        column = h->logicalIndexAt(pos);
        text = m_model->headerData(column, Qt::Horizontal).toString();
        // Near a section's edge the header shows its own resize pointer; leave it that.
        const int left = h->sectionViewportPosition(column);
        nearEdge = column >= 0 && (pos.x() - left < 4 || left + h->sectionSize(column) - pos.x() < 4);
    } else {
        const QModelIndex index = ResultsGrid->indexAt(pos);
        column = index.isValid() ? index.column() : -1;
        text = index.data().toString();
    }
    if (event->type() == QEvent::MouseMove) {
        auto* area = static_cast<QWidget*>(watched);
        if (column == FilterResultsModel::EmailColumn && !nearEdge)
            area->setCursor(Qt::PointingHandCursor);
        else
            area->unsetCursor();
    } else {
        emailCell(column, text);
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace qv
