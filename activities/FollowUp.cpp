#include "activities/FollowUp.h"
#include "data/DataModule.h"
#include "data/Domains.h"
#include "platform/DBGrid.h"
#include "platform/DBNavigator.h"
#include "platform/DatasetModel.h"
#include "platform/GuardedApplication.h"
#include "platform/RecordToolbar.h"
#include "platform/ScreenMetrics.h"
#include "records/PickDate.h"
#include "reports/QVFReport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

TFollowUpForm::TFollowUpForm(TMainDataModule& dm, QWidget* parent) : QDialog(parent), m_dm(dm)
{
    setObjectName("TFollowUpForm");
    setWindowTitle("Follow-up Activities");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    HeadingLabel = new QLabel("Follow-up activities, history, and milestones", this);
    HeadingLabel->setObjectName("HeadingLabel");
    QFont headingFont = HeadingLabel->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.25);
    HeadingLabel->setFont(headingFont);

    ContactsGrid = new DBGrid(
        dm.PeopleCompanyDet,
        {GridColumn::text("Title", "Title", 45), GridColumn::text("Name", "Name", 150),
         GridColumn::text("Gender", "Gender", 55), GridColumn::text("PersonType", "Type", 72),
         GridColumn::text("CustoemrImportance", "Importance", 85), GridColumn::text("EducationLevel", "Education", 110),
         GridColumn::text("Profession", "Profession", 115), GridColumn::text("Company", "Company", 120),
         GridColumn::text("JobTitle", "Job title", 140), GridColumn::text("Income", "Income", 120)},
        this);
    ContactsGrid->setObjectName("ContactsGrid");
    ContactsGrid->setAccessibleName("Contacts");
    ContactsGrid->setReadOnly(true);

    Dataset* followUps = dm.FollowUp;
    auto pickInto = [followUps](const char* field) { return [followUps, field] { pickDateInto(*followUps, field); }; };
    FollowUpGrid = new DBGrid(
        followUps,
        {GridColumn::button("FUDate", "Follow-up date", 105, pickInto("FUDate")),
         GridColumn::pickList("ContactMethod", "Contact method", 115, domains::contactMethod(), 6),
         GridColumn::text("ProductsInterestedIn", "Offered solution", 140),
         GridColumn::pickList("SaleStatus", "Status", 155, domains::saleStatus(), domains::saleStatus().size()),
         GridColumn::pickList("RoleInSale", "Role", 105, domains::roleInSale(), 6),
         GridColumn::wholeNumber("ExpextedOrderValue", "Expected order value", 150),
         GridColumn::button("ExpectedOrderDate", "Expected order date", 145, pickInto("ExpectedOrderDate")),
         GridColumn::text("FUDescription", "Description", 200)},
        this);
    FollowUpGrid->setObjectName("FollowUpGrid");
    FollowUpGrid->setAccessibleName("Follow-ups");
    FollowUpNavigator = new DBNavigator(followUps, this);
    FollowUpNavigator->setObjectName("FollowUpNavigator");
    FollowUpNavigator->setGrid(FollowUpGrid);

    ReportBtn = new QPushButton("Report...", this);
    ReportBtn->setObjectName("ReportBtn");
    ReportBtn->setAutoDefault(false);
    connect(ReportBtn, &QPushButton::clicked, this, [this] { runGuarded([this] { ReportBtnClick(); }); });

    DatabaseUsageBtn = hintedButton(
        "Database Usage", QStyle::SP_MessageBoxQuestion,
        [this] {
            if (onDatabaseUsage) onDatabaseUsage();
        },
        this);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(FollowUpNavigator);
    bottom->addSpacing(12);
    bottom->addWidget(ReportBtn);
    bottom->addStretch();
    bottom->addWidget(DatabaseUsageBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(HeadingLabel);
    layout->addWidget(ContactsGrid, 1);
    layout->addWidget(FollowUpGrid, 1);
    layout->addLayout(bottom);

    // Wide enough for every column of both grids where the screen has the room; on a small screen the grids
    // scroll sideways inside a window that still fits.
    int columns = 0;
    for (const DBGrid* grid : {ContactsGrid, FollowUpGrid}) {
        int width = 2 * grid->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid);
        for (int c = 0; c < grid->datasetModel()->columnCount(); ++c) width += grid->datasetModel()->column(c).width;
        columns = std::max(columns, width);
    }
    const QMargins margins = layout->contentsMargins();
    resize(sizeWithinWorkArea({columns + margins.left() + margins.right(), 640}));
}

void TFollowUpForm::ReportBtnClick() { followUpReportClick(m_dm); }

void TFollowUpForm::done(int result)
{
    // The follow-up being edited is saved on closing; a refusal is not reported and leaves it in its edit.
    try {
        m_dm.FollowUp->checkBrowseMode();
    } catch (const std::exception&) {}
    QDialog::done(result);
}

} // namespace qv
