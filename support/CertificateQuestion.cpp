#include "support/CertificateQuestion.h"

#include "platform/MessageBox.h"

namespace tesra {

std::string CertificateProblemText(const CertificateFaults& faults) {
    if (faults.unknownAuthority) return "证书的颁发机构不受信任";
    if (faults.badIdentity) return "证书与网站的地址不符";
    if (faults.expired) return "证书已过期";
    if (faults.notActivated) return "证书尚未生效";
    if (faults.revoked) return "证书已被吊销";
    if (faults.insecure) return "证书的算法不安全";
    return "证书无法验证";
}

std::string CertificateQuestionText(const std::string& host, const CertificateFaults& faults) {
    return "网站“" + host + "”的安全证书有问题：" + CertificateProblemText(faults) +
           "。\n\n按“确定”在本次运行中信任该证书并继续打开，按“取消”不打开。";
}

bool CertificateQuestion::Ask(const RequestSource& source, const std::string& host, const CertificateFaults& faults) {
    if (asking_ || !MayServe(PageRequest::CertificateQuestion, source)) return false;
    struct Asking {
        bool& flag;
        explicit Asking(bool& f) : flag(f) { flag = true; }
        ~Asking() { flag = false; }
    } asking(asking_);
    const int answer =
        boxes_.Show(CertificateQuestionText(host, faults), platform::MB_OKCANCEL | platform::MB_ICONWARNING);
    return answer == platform::IDOK;
}

}  // namespace tesra
