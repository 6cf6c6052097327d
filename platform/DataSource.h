#pragma once
// Binds the data-aware controls of one window to one dataset. It listens to the dataset once, for all of its
// controls, and repaints them only while the window is visible: a scan that moves the dataset while the window
// is hidden only marks the source stale, and the controls catch up when the window is next shown.

#include "data/Dataset.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class QWidget;

namespace qv {

class DataSource;

// A control that shows one field of its source's dataset.
class DataControl {
public:
    DataControl(DataSource* source, const QString& field);
    virtual ~DataControl();
    DataSource* source() const { return m_source; }
    Dataset* dataset() const;
    QString fieldName() const { return m_field; }
    int fieldIndex() const { return m_index; }
    // Shows the field's current value. Must not write to the dataset.
    virtual void showValue() = 0;

protected:
    // Starts an edit when the dataset is browsing and stores value; errors reach the standard error box.
    void writeValue(const QVariant& value);

private:
    friend class DataSource;
    DataSource* m_source;
    QString m_field;
    int m_index;
};

class DataSource : public QObject {
    Q_OBJECT
public:
    // window: the top-level window whose visibility decides whether the controls are repainted at once.
    DataSource(Dataset* dataset, QWidget* window);
    ~DataSource() override;

    Dataset* dataset() const { return m_dataset; }
    bool isStale() const { return m_stale; }
    int fullRefreshCount() const { return m_fullRefreshes; } // how often every control was repainted

    void refreshAll();
    void refreshIfStale()
    {
        if (m_stale) refreshAll();
    }

    // Runs a control's write; the dataset's echo of that write does not repaint the control being typed into.
    void write(DataControl* writer, const std::function<void()>& change);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class DataControl;
    void attach(DataControl* control);
    void detach(DataControl* control);
    void datasetMoved();
    void fieldChanged(int index);
    bool watched() const;

    Dataset* m_dataset;
    QPointer<QWidget> m_window;
    std::vector<DataControl*> m_controls;
    std::vector<std::vector<DataControl*>> m_byField;
    DataControl* m_writer = nullptr;
    bool m_stale = true;
    int m_fullRefreshes = 0;
};

} // namespace qv
