#include "support/tsException.h"

#include <chrono>

#include "platform/Application.h"
#include "platform/Exception.h"
#include "platform/FocusInfo.h"
#include "platform/MessageBox.h"
#include "platform/Screen.h"
#include "support/Format.h"
#include "support/JpegEncoder.h"
#include "support/tsCommon.h"
#include "support/tsFileUtils.h"
#include "support/tsLog.h"

namespace tesra {
namespace {

struct TranslationRow {
    const char* pattern;
    const char* replacement;
};

const TranslationRow kTranslations[] = {
    {"Access violation", "非法地址访问"}, {"Operation aborted", "操作异常终止"},
    {"select ", "查询执行失败"},          {"灾难性故障", "中间件非法地址访问"},
    {"对象名", "查询执行失败"},
};

constexpr int kReportJpegQuality = 30;

std::string ControlText(platform::FocusInfo& focus) {
    try {
        return focus.FocusedControlText();
    } catch (const std::exception&) {
    }
    try {
        return "文本为‘" + focus.FocusedControlText() + "’";
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace

std::string DescribeException(platform::FocusInfo& focus, const std::exception& exception) {
    std::string text;
    if (auto form = focus.ActiveForm()) {
        text = "光标在表单“" + form->caption + "”(" + form->name + ":" + form->className + ")";
    }
    if (auto control = focus.FocusedControl()) {
        text += " 中控件“" + ControlText(focus) + "”(" + control->name + ":" + control->className + ")";
    }
    if (!text.empty()) text += " 时, ";
    return text + "发生 " + ExceptionClassName(exception) + " 异常：" + exception.what();
}

bool TranslateErrorText(std::string& text) {
    bool matched = false;
    for (const TranslationRow& row : kTranslations) {
        if (ContainsText(row.pattern, text)) {
            text = row.replacement;
            matched = true;
        }
    }
    return matched;
}

void ExceptionReport::ExceptionHook(const ExceptionRecord& record, int stage, bool& proceed) {
    if (stage != kStageShowDialog) {
        if (stage == kStageSaveLog || stage == kStageSaved) proceed = false;
        return;
    }
    std::string entryText;
    bool isNew = true;
    if (InheritsFromName(record.object, "Exception")) {
        TtsCustomLog& log = log_;
        std::string message = record.object->what();
        entryText = message;
        if (log.IgnoreException(*record.object) || message == log.LastExceptionMessage()) {
            isNew = false;
        } else {
            log.SetLastExceptionMessage(message);
        }
        proceed = log.IsDesignEnvironment();
        bool sent = false;
        if (isNew) {
            entryText = DescribeException(platform_.focus, *record.object) + "\r\n\r\n";
            if (log.OfferReport()) {
                OfferReportToUser(message, log.EntryText(entryText + record.reportText, kLogDebug), sent);
            }
        }
        if (!proceed && !sent) AppBoxes(platform_.boxes, platform_.app).Error(message);
    }
    if (isNew) log_.LogException(entryText + record.reportText);
}

void ExceptionReport::CaptureScreenReport(const std::string& path) {
    platform::Environment& environment = platform_.environment;
    std::string file = path;
    if (file.empty()) {
        std::string folder = log_.GetLogPath();
        ForceFolder(environment, folder);
        file = folder + "sysLog" + FormatDateTime("yyyymmdd_hhnnss", std::chrono::system_clock::now()) + ".jpg";
    }
    screenshotPath_ = file;
    platform::Picture picture = platform_.screen.CapturePrimary(platform::CursorInPicture::Drawn);
    if (picture.Empty()) throw Exception("截取屏幕失败");
    environment.WriteFile(file, EncodeJpeg(picture, kReportJpegQuality), platform::WriteMode::Truncate);
    if (!entryRecord_.empty()) environment.WriteFile(file, "\r\n" + entryRecord_, platform::WriteMode::Append);
}

void ExceptionReport::OfferReportToUser(const std::string& message, const std::string& entryRecord, bool& sent) {
    screenshotPath_.clear();
    entryRecord_ = entryRecord;
    platform_.cursor.SetBusy(true);
    try {
        CaptureScreenReport("");
    } catch (const std::exception& e) {
        log_.LogExceptionWithCaption("打印屏幕出错", e, platform_.focus);
    }
    platform_.cursor.SetBusy(false);
    std::string text = message;
    if (screenshotPath_.empty() || !TranslateErrorText(text)) return;
    if (!AppBoxes(platform_.boxes, platform_.app).ConfirmApp(ReportDialogText(text, screenshotPath_))) return;
    sent = true;
    RunCommandLine(platform_.environment, UpdaterCommandLine(GetProgramFolder(platform_.environment), screenshotPath_),
                   platform::ShowCommand::NoActivate);
    platform_.app.BringToFront();
}

std::string ReportDialogText(const std::string& translated, const std::string& screenshotPath) {
    const std::string lines =
        "系统发生内部错误：“%s”\r"
        "\r"
        "请按“确定”继续，系统将通过网络发送该错误详情给蓝岸公司，\r"
        "　公司将借此信息不断改进产品，以便能更好地为您服务，\r"
        "　发送将在后台进行，不会影响您正常使用；\r"
        "按“取消”则不发送，您可以用其它方式提供以下文件给公司，非常感谢：\r"
        "　%s";
    return Format(lines, {translated, screenshotPath});
}

std::string UpdaterCommandLine(const std::string& programFolder, const std::string& screenshotPath) {
    // Quoted, so that a program folder with blanks still names one program.
    return QuoteCommandArgument(programFolder + "ksUpdate") + " /SendLog " + QuoteCommandArgument(screenshotPath);
}

}  // namespace tesra
