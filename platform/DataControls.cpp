#include "platform/DataControls.h"
#include "data/DateFormats.h"
#include "data/Schema.h"
#include "platform/WholeNumberEntry.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QValidator>

namespace qv {

namespace {

QString upperCased(QString text)
{
    // Letter by letter, so that the text keeps its length (and its fit in the column).
    for (QChar& c : text) c = c.toUpper();
    return text;
}

// Holds a box to a number of characters as the column's width counts them (code points, so that a character
// outside the basic plane counts once). What is typed or pasted beyond the limit is cut from the inserted text,
// as a box's maximum length does, never in the middle of a character.
class CharacterLimit : public QValidator {
public:
    CharacterLimit(int limit, QObject* parent) : QValidator(parent), m_limit(limit) {}
    State validate(QString& input, int& pos) const override
    {
        qsizetype excess = characterCount(input) - m_limit;
        if (excess <= 0) return Acceptable;
        // The inserted text ends at the cursor: drop its last characters.
        int end = std::clamp(pos, 0, int(input.size()));
        int from = end;
        while (excess > 0 && from > 0) {
            --from;
            if (from > 0 && input[from].isLowSurrogate() && input[from - 1].isHighSurrogate()) --from;
            --excess;
        }
        input.remove(from, end - from);
        pos = from;
        // Still too long (the text was set past the limit by the program): cut its end.
        while (characterCount(input) > m_limit) input.chop(input.size() >= 2 && input.back().isLowSurrogate() ? 2 : 1);
        return Acceptable;
    }

private:
    int m_limit;
};

void limitCharacters(QLineEdit* box, int limit)
{
    if (limit > 0) box->setValidator(new CharacterLimit(limit, box));
}

// Marks a control as showing its field, so that the changes this makes are not written back.
class Showing {
public:
    explicit Showing(bool& flag) : m_flag(flag), m_was(flag) { flag = true; }
    ~Showing() { m_flag = m_was; }
    Showing(const Showing&) = delete;
    Showing& operator=(const Showing&) = delete;

private:
    bool& m_flag;
    bool m_was;
};

} // namespace

void greyOut(QWidget* box)
{
    QPalette p = box->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Window));
    p.setColor(QPalette::Text, p.color(QPalette::Disabled, QPalette::Text));
    box->setPalette(p);
}

// ================================================================ DBEdit

DBEdit::DBEdit(DataSource* source, const QString& field, Options options, QWidget* parent)
    : QLineEdit(parent), DataControl(source, field)
{
    setObjectName(field);
    const int width = source->dataset()->declaredWidth(field);
    const int limit = options.limit > 0 ? options.limit : width;
    if (source->dataset()->fieldType(fieldIndex()) == ColumnType::Integer)
        acceptWholeNumbersOnly(this);
    else
        limitCharacters(this, limit);
    if (options.readOnly) {
        setReadOnly(true);
        greyOut(this);
    }
    m_upperCase = options.upperCase;
    connect(this, &QLineEdit::textChanged, this, &DBEdit::textChangedTo);
}

void DBEdit::textChangedTo(const QString& text)
{
    if (m_showing) return;
    if (m_upperCase) {
        const QString upper = upperCased(text);
        if (upper != text) {
            // The capitals come back through here and are written then.
            const int cursor = cursorPosition();
            setText(upper);
            setCursorPosition(cursor);
            return;
        }
    }
    writeValue(text);
}

void DBEdit::showValue()
{
    const QString v = dataset()->isOpen() ? dataset()->text(fieldIndex()) : QString();
    if (text() == v) return;
    const Showing showing(m_showing);
    setText(v);
    setCursorPosition(0); // a long text shows its beginning
}

// ================================================================ DBDateBox

DBDateBox::DBDateBox(DataSource* source, const QString& field, QWidget* parent)
    : QLineEdit(parent), DataControl(source, field)
{
    setObjectName(field);
    setReadOnly(true);
    greyOut(this);
}

void DBDateBox::showValue()
{
    QString v;
    if (dataset()->isOpen()) {
        const QDateTime d = dataset()->asDateTime(fieldName());
        if (d.isValid()) v = dates::shortDate(d.date());
    }
    if (text() != v) setText(v);
}

// ================================================================ DBComboBox (open list)

DBComboBox::DBComboBox(DataSource* source, const QString& field, const QStringList& entries, QWidget* parent)
    : QComboBox(parent), DataControl(source, field)
{
    setObjectName(field);
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr); // an inline completion would put text the user did not type into the field
    const int width = source->dataset()->declaredWidth(field);
    limitCharacters(lineEdit(), width);
    setEntries(entries);
    // Typing, picking an entry and any other change of the edit text all arrive here.
    connect(lineEdit(), &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_showing) writeValue(text);
    });
}

void DBComboBox::setEntries(const QStringList& entries)
{
    const QString shown = currentText();
    const Showing showing(m_showing);
    const QSignalBlocker block(this);
    clear();
    addItems(entries);
    setCurrentIndex(-1);
    setEditText(shown);
}

void DBComboBox::showValue()
{
    const QString v = dataset()->isOpen() ? dataset()->text(fieldIndex()) : QString();
    if (currentText() == v) return;
    const Showing showing(m_showing);
    const QSignalBlocker block(this);
    setCurrentIndex(-1);
    setEditText(v);
}

// ================================================================ DBLookupList (closed list)

DBLookupList::DBLookupList(DataSource* source, const QString& field, const QStringList& entries, QWidget* parent)
    : QComboBox(parent), DataControl(source, field)
{
    setObjectName(field);
    setEntries(entries);
    // A click, the keyboard, the wheel or an automation tool's selection: every change of the entry.
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_showing || index < 0 || index >= m_entries.size()) return;
        writeValue(m_entries[index]);
        emit picked(index);
    });
}

void DBLookupList::setEntries(const QStringList& entries)
{
    m_entries = entries;
    {
        const Showing showing(m_showing);
        clear();
        addItems(entries);
    }
    showValue();
}

void DBLookupList::setReadOnly(bool readOnly) { setEnabled(!readOnly); }

int DBLookupList::storedPosition() const
{
    if (!dataset()->isOpen()) return -1;
    return domains::positionIgnoringCase(m_entries, dataset()->text(fieldIndex()));
}

void DBLookupList::showValue()
{
    const int position = storedPosition();
    if (currentIndex() == position) return;
    const Showing showing(m_showing);
    setCurrentIndex(position);
}

// ================================================================ DBRadioGroup

DBRadioGroup::DBRadioGroup(DataSource* source, const QString& field, const QString& title,
                           const QList<domains::Entry>& entries, int columns, QWidget* parent)
    : QGroupBox(title, parent), DataControl(source, field), m_entries(entries), m_group(new QButtonGroup(this))
{
    setObjectName(field);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 2);
    const int perRow = columns > 0 ? columns : int(entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        auto* b = new QRadioButton(entries[i].caption, this);
        b->setObjectName(field + "_" + entries[i].caption);
        m_group->addButton(b, i);
        grid->addWidget(b, i / perRow, i % perRow);
        // The button's state, not the mouse: a click, the keyboard and an accessible toggle all store.
        connect(b, &QAbstractButton::toggled, this, [this, i](bool checked) {
            if (checked && !m_showing) writeValue(m_entries[i].stored);
        });
    }
}

namespace {
QList<domains::Entry> sameCaptions(const QStringList& texts)
{
    QList<domains::Entry> out;
    for (const QString& t : texts) out.push_back({t, t});
    return out;
}
} // namespace

DBRadioGroup::DBRadioGroup(DataSource* source, const QString& field, const QString& title, const QStringList& entries,
                           int columns, QWidget* parent)
    : DBRadioGroup(source, field, title, sameCaptions(entries), columns, parent)
{}

QList<QAbstractButton*> DBRadioGroup::buttons() const { return m_group->buttons(); }

int DBRadioGroup::checkedPosition() const { return m_group->checkedId(); }

void DBRadioGroup::showValue()
{
    int wanted = -1;
    if (dataset()->isOpen() && !dataset()->isNull(fieldIndex())) {
        const QString v = dataset()->text(fieldIndex());
        for (int i = 0; i < m_entries.size(); ++i)
            if (m_entries[i].stored == v) wanted = i;
    }
    if (m_group->checkedId() == wanted) return;
    const Showing showing(m_showing);
    if (wanted >= 0) {
        m_group->button(wanted)->setChecked(true);
    } else {
        // An exclusive group keeps one button checked; lift the rule to clear it.
        m_group->setExclusive(false);
        for (QAbstractButton* b : m_group->buttons()) b->setChecked(false);
        m_group->setExclusive(true);
    }
}

// ================================================================ ExplanationBox

ExplanationBox::ExplanationBox(DBLookupList* chooser, const QStringList& explanations, QWidget* parent)
    : QPlainTextEdit(parent), m_chooser(chooser), m_explanations(explanations)
{
    setObjectName(chooser->objectName() + "Explanation");
    setReadOnly(true);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette p = palette();
    p.setColor(QPalette::Base, p.color(QPalette::Window));
    setPalette(p);
    setFixedHeight(fontMetrics().lineSpacing() * 2 + 8);
    connect(chooser, &DBLookupList::picked, this, &ExplanationBox::showPosition);
}

void ExplanationBox::refresh() { showPosition(m_chooser->storedPosition()); }

void ExplanationBox::showPosition(int position)
{
    const QString t = domains::explanationAt(m_explanations, position);
    if (toPlainText() != t) setPlainText(t);
}

} // namespace qv
