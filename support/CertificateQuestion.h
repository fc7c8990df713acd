#pragma once
// The question to the user about a certificate that does not verify: when it is asked, its box, and
// what the answer means.

#include <string>

#include "platform/Application.h"
#include "platform/MessageBox.h"
#include "support/PageRequests.h"
#include "support/tsCommon.h"

namespace tesra {

// What is wrong with a certificate; several may hold at once.
struct CertificateFaults {
    bool unknownAuthority = false;
    bool badIdentity = false;
    bool expired = false;
    bool notActivated = false;
    bool revoked = false;
    bool insecure = false;
};

// The one fault named to the user, in the order above; "证书无法验证" when none of them holds.
std::string CertificateProblemText(const CertificateFaults& faults);
// The box's text about the certificate of the site at host.
std::string CertificateQuestionText(const std::string& host, const CertificateFaults& faults);

// Asks the user, one question at a time whichever window asks.
class CertificateQuestion {
public:
    CertificateQuestion(platform::MessageBoxes& boxes, const platform::Application& app) : boxes_(boxes, app) {}
    CertificateQuestion(const CertificateQuestion&) = delete;
    CertificateQuestion& operator=(const CertificateQuestion&) = delete;

    // True when the user trusts the certificate for this run, so that the load starts again. Another
    // site's page may not have the user accept a certificate for it, nor raise one box after another:
    // then false without a box, and the load fails as any other.
    bool Ask(const RequestSource& source, const std::string& host, const CertificateFaults& faults);

private:
    const AppBoxes boxes_;
    bool asking_ = false;
};

}  // namespace tesra
