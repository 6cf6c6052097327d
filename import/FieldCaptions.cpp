#include "import/FieldCaptions.h"

namespace qv {

const std::vector<FieldCaption>& contactFieldCaptions()
{
    static const std::vector<FieldCaption> captions{
        {"Title", "Title"},
        {"Name", "Name"},
        {"Profession", "Profession"},
        {"JobTitle", "Job Title"},
        {"HAStreet", "Home Street"},
        {"HACity", "Home City"},
        {"HAState", "Home State"},
        {"HAPostalCode", "Home ZIP"},
        {"HACountry", "Home Country"},
        {"HAPostOfficeBox", "Home PO Box"},
        {"Email1", "Email 1"},
        {"Email2", "Email 2"},
        {"TelCallback", "Business Email"},
        {"Mobile", "Mobile"},
        {"PrimaryTel", "Primary Tel"},
        {"TelH1", "Home Tel 1"},
        {"TelH2", "Home Tel 2"},
        {"FaxH", "Home Fax"},
        {"Telex", "Telex"},
        {"AssistantName", "Assistant Name"},
        {"ManagerName", "Manager Name"},
        {"Hobbies", "Hobbies"},
        {"HomePage", "Home Page"},
        {"Birthday", "Birthday"},
        {"Breminder", "Birthday Reminder"},
        {"Language", "Language(s)"},
        {"Household", "Household Lifecycle Position"},
        {"Spouse", "Spouse/Partner"},
        {"Children", "Children"},
        {"Anniversary", "Anniversary"},
        {"Areminder", "Anniversary Reminder"},
        {"Company", "Company"},
        {"Industry", "Industry"},
        {"Department", "Department"},
        {"CompanySize", "Company Size"},
        {"EducationLevel", "Level of Education"},
        {"Income", "Income"},
        {"BAStreet", "Business Street"},
        {"BACity", "Business City"},
        {"BAState", "Business State"},
        {"BAPostalCode", "Business ZIP"},
        {"BACountry", "Business Country"},
        {"BAPostOfficeBox", "Business PO Box"},
        {"TelMain", "Business Main Tel"},
        {"TelB1", "Business Tel 1"},
        {"TelB2", "Business Tel 2"},
        {"FaxB1", "Business Fax 1"},
        {"FaxB2", "Business Fax 2"},
        {"Ext", "Ext"},
        {"WebPage", "Web Site"},
        {"Gender", "Gender"},
        {"PersonType", "Type"},
        {"CustoemrImportance", "Importance"},
        {"MailingAddress", "Mailing Address"},
        {"BillingAddress", "Billing Address"},
        {"ProspectingMethod", "Prospecting Method"},
        {"ProspectingData", "Prospecting Data"},
        {"Innovation", "Diffusion of Innovation"},
        {"ApproachType", "First Time Approach Method"},
        {"Ethnic", "Ethnic Interest"},
        {"Info", "Comments"},
        {"ReferredBy", "Referred By"},
        {"OfferedSolution", "Offered Solution"},
        {"ProfessionID", "Profession Number"},
        {"Email", "Other Email"},
        {"Address", "Address"},
    };
    return captions;
}

const std::vector<FieldCaption>& accountFieldCaptions()
{
    static const std::vector<FieldCaption> captions{
        {"AccountName", "Company"},
        {"AccountSize", "Company Size"},
        {"AccountIndustry", "Industry"},
        {"AccountManager", "Account Manager"},
        {"AccountStreet", "Street"},
        {"AccountCity", "City"},
        {"AccountState", "State"},
        {"AccountPostalCode", "ZIP"},
        {"AccountCountry", "Country"},
        {"AccountPostOfficeBox", "PO Box"},
        {"AccountMainTel", "Main Tel"},
        {"AccountTel1", "Tel 1"},
        {"AccountTel2", "Tel 2"},
        {"AccountFax1", "Fax 1"},
        {"AccountFax2", "Fax 2"},
        {"AccountWebPage", "Web Site"},
        {"Importance", "Importance"},
        {"Comments", "Comments"},
        {"LocalStreet", "Local Street"},
        {"LocalCity", "Local City"},
        {"LocalState", "Local State"},
        {"LocalPostalCode", "Local ZIP"},
        {"LocalCountry", "Local Country"},
        {"LocalPostOfficeBox", "Local PO Box"},
        {"TaxRegNo", "Tax Registration No"},
        {"TaxAuthService", "Tax Authority Service"},
    };
    return captions;
}

namespace {

QString captionIn(const std::vector<FieldCaption>& captions, const QString& column)
{
    for (const FieldCaption& c : captions)
        if (column.compare(QLatin1String(c.column), Qt::CaseInsensitive) == 0) return QString::fromUtf8(c.caption);
    return column;
}

} // namespace

QString contactFieldCaption(const QString& column) { return captionIn(contactFieldCaptions(), column); }
QString accountFieldCaption(const QString& column) { return captionIn(accountFieldCaptions(), column); }

} // namespace qv
