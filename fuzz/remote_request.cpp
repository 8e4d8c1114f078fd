// Reads arbitrary bytes as a client's request to the remote server: the head
// within its bounds, then the body as a PATCH of the current settings checked
// by the settings reader. A head read whole was never read from fewer bytes; a
// refusal names its status and reason; a patch taken gives settings whose own
// document, changed by the difference back, is what the patch made.
#include "remote/HttpMessage.h"
#include "remote/SettingsPatch.h"

#include <QJsonDocument>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckHead(QByteArrayView data, const RequestHead& head)
{
    switch (head.status) {
    case RequestHead::Status::Incomplete:
        Check(data.size() < kMaxRequestHeadBytes);
        break;
    case RequestHead::Status::Refused:
        Check(head.errorStatus == 400 || head.errorStatus == 413 || head.errorStatus == 431 ||
              head.errorStatus == 501 || head.errorStatus == 505);
        Check(!head.reason.isEmpty());
        break;
    case RequestHead::Status::Complete:
        Check(head.headLength >= 4 && head.headLength <= data.size() && head.headLength <= kMaxRequestHeadBytes + 4);
        Check(head.request.contentLength >= 0 && head.request.contentLength <= kMaxRequestBodyBytes);
        Check(ParseRequestHead(data.first(head.headLength - 1)).status == RequestHead::Status::Incomplete);
        break;
    }
}

void CheckPatch(const QByteArray& body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject())
        return;
    UnitSettings now;
    now.channels = {DefaultChannelBlock(), DefaultChannelBlock()};
    CurrentSettings current;
    current.channels = now.channels;
    UnitSettings patched;
    SettingsError error;
    if (!ApplySettingsPatch(now, current, document.object(), patched, error)) {
        Check(!error.reason.isEmpty());
        return;
    }
    CurrentSettings after;
    after.channels = KeptChannelBlocks(patched.channels[0], patched.channels[1]);
    after.globals = {patched.globals.panelLock, patched.globals.channelLink, patched.globals.language};
    const QJsonValue before = CurrentSettingsToJson(current);
    const QJsonValue result = CurrentSettingsToJson(after);
    const QJsonValue change = DiffPatch(before, result);
    Check(change.isUndefined() ? before == result : MergePatch(before, change) == result);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const RequestHead head = ParseRequestHead(input);
    CheckHead(input, head);
    if (head.status == RequestHead::Status::Complete)
        CheckPatch(input.sliced(head.headLength).first(std::min(input.size() - head.headLength, head.request.contentLength)).toByteArray());
    return 0;
}
