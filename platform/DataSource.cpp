#include "platform/DataSource.h"
#include "platform/GuardedApplication.h"

#include <QEvent>
#include <QWidget>
#include <algorithm>

namespace qv {

DataControl::DataControl(DataSource* source, const QString& field)
    : m_source(source), m_field(field), m_index(source->dataset()->requireField(field))
{
    source->attach(this);
}

DataControl::~DataControl()
{
    if (m_source) m_source->detach(this);
}

Dataset* DataControl::dataset() const { return m_source->dataset(); }

void DataControl::writeValue(const QVariant& value)
{
    m_source->write(this, [&] {
        Dataset* ds = dataset();
        if (!ds->isEditing()) ds->edit();
        ds->setValue(m_index, value);
    });
}

DataSource::DataSource(Dataset* dataset, QWidget* window) : QObject(window), m_dataset(dataset), m_window(window)
{
    setObjectName(dataset->name() + "Source");
    connect(dataset, &Dataset::currentChanged, this, &DataSource::datasetMoved);
    connect(dataset, &Dataset::stateChanged, this, &DataSource::datasetMoved);
    connect(dataset, &Dataset::fieldChanged, this, &DataSource::fieldChanged);
    window->installEventFilter(this);
}

DataSource::~DataSource()
{
    for (DataControl* c : m_controls) c->m_source = nullptr;
}

void DataSource::attach(DataControl* control)
{
    m_controls.push_back(control);
    const size_t i = size_t(control->fieldIndex());
    if (m_byField.size() <= i) m_byField.resize(i + 1);
    m_byField[i].push_back(control);
    m_stale = true;
}

void DataSource::detach(DataControl* control)
{
    m_controls.erase(std::remove(m_controls.begin(), m_controls.end(), control), m_controls.end());
    auto& list = m_byField[size_t(control->fieldIndex())];
    list.erase(std::remove(list.begin(), list.end(), control), list.end());
    if (m_writer == control) m_writer = nullptr;
}

bool DataSource::watched() const { return m_window && m_window->isVisible(); }

void DataSource::refreshAll()
{
    m_stale = false;
    ++m_fullRefreshes;
    for (DataControl* c : m_controls)
        if (c != m_writer) c->showValue();
}

void DataSource::datasetMoved()
{
    if (watched())
        refreshAll();
    else
        m_stale = true;
}

void DataSource::fieldChanged(int index)
{
    if (!watched()) {
        m_stale = true;
        return;
    }
    if (index < 0 || size_t(index) >= m_byField.size()) return;
    for (DataControl* c : m_byField[size_t(index)])
        if (c != m_writer) c->showValue();
}

void DataSource::write(DataControl* writer, const std::function<void()>& change)
{
    DataControl* outer = m_writer;
    m_writer = writer;
    const bool ok = runGuarded(change);
    m_writer = outer;
    // A refused write leaves the dataset as it was: show that instead of what was typed.
    if (!ok && writer) writer->showValue();
}

bool DataSource::eventFilter(QObject* watchedObject, QEvent* event)
{
    if (watchedObject == m_window && event->type() == QEvent::Show) refreshIfStale();
    return QObject::eventFilter(watchedObject, event);
}

} // namespace qv
