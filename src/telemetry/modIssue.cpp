#include "telemetry/modIssue.h"

#include "base/Text.h"
#include "startup/Encoders.h"

namespace pankor {

std::string modIssue::PageFieldValue(IPageFields& page, const std::string& id) noexcept {
    Result<std::string> value = page.ElementValue(id);
    if (!value.ok()) return {};
    return std::move(*value);
}

bool modIssue::SubmitIssue(IPageFields& page, std::string& message) noexcept {
    message = "Something went wrong sending that.";
    return log_.Guard("SubmitIssue error: ", false, [&] {
        const std::string app = PageFieldValue(page, "isApp");
        std::string contact = PageFieldValue(page, "isContact");
        std::string text = PageFieldValue(page, "isText");
        const bool feature = LowerAscii(TrimSpaces(PageFieldValue(page, "isKind"))) == "feature";
        if (CharacterCount(TrimSpaces(text)) < kIssueTextMinChars) {
            message = feature ? "Tell me a bit more about what you'd like it to do first."
                              : "Tell me a bit more about what happened first.";
            return false;
        }
        text = FirstCharacters(text, kIssueTextMaxChars);
        contact = FirstCharacters(contact, kIssueContactMaxChars);
        const std::string document = "{\"v\":1,\"app\":\"" + JsonEscape(app) + "\",\"kind\":\"" +
                                     (feature ? "feature" : "problem") + "\",\"contact\":\"" + JsonEscape(contact) +
                                     "\",\"text\":\"" + JsonEscape(text) + "\"," + telemetry_.EnvironmentJson() + "}";
        const Result<HttpResponse> r =
            http_.Get(ReportRequest(catalog_.PublisherBase() + "/issue.php", document, 6000, 6000, 6000, 15000));
        if (!r.ok()) {
            log_.DebugLog("SubmitIssue error: " + r.error());
            message = "Something went wrong sending that.";
            return false;
        }
        log_.DebugLog("issue POST status=" + std::to_string(r->status));
        if (r->status == 200) {
            message =
                feature ? "Sent - thank you. I read every one of these." : "Sent - thank you. I read all of these.";
            return true;
        }
        message = r->status == 429 ? "That's a few in quick succession - try again shortly."
                                   : "Couldn't reach " + catalog_.PublisherHost() + ". Try again when you're online.";
        return false;
    });
}

}  // namespace pankor
