#pragma once
// The mapping step of the import of another program's CSV file, for a header the import does not know: each column
// of the file with a pick list of the contact fields ("Leave out" first), preselected with the field its name
// suggests, and a preview of the first rows as they would be stored. OK imports with the chosen fields; Cancel
// imports nothing. OK is offered once a column gives the name, which every contact needs.

#include "import/CsvHeaders.h"

#include <QDialog>
#include <QStringList>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace qv {

class TCsvMappingForm : public QDialog {
    Q_OBJECT
public:
    // rows: the first rows of the file, for the preview.
    TCsvMappingForm(const QString& fileName, const QStringList& header, const std::vector<QStringList>& rows,
                    const std::vector<CsvTarget>& suggested, QWidget* parent = nullptr);

    std::vector<CsvTarget> targets() const;
    QComboBox* pick(int column) const { return m_picks.at(size_t(column)); }

    QTableWidget* PreviewGrid;
    QPushButton* OkButton;
    QPushButton* CancelButton;
    QLabel* NameHint;

private:
    void updatePreview();

    QStringList m_header;
    std::vector<QStringList> m_rows;
    std::vector<QComboBox*> m_picks;
};

} // namespace qv
