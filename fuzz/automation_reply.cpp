// The client's side of the automation protocol: any line from the server is an answer, a sign of
// work, another request's reply, or a failed call with a readable reason; never a crash.

#include "fuzz_support.h"
#include "surfer/process_automation.h"

using namespace drawfield;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray line(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        ServerReply reply = parseReply(line, 7, QStringLiteral("call GridData"));
        if (reply.kind == ServerReply::Kind::Working)
            FUZZ_REQUIRE(reply.progress == -1.0 || (reply.progress >= 0.0 && reply.progress <= 1.0),
                "progress is a fraction or unknown");
        if (reply.kind == ServerReply::Kind::Answer && reply.value.object)
            FUZZ_REQUIRE(reply.value.value.isUndefined() || reply.value.value.isNull(),
                "an answer is an object or a value");
    } catch (const AutomationError& error) {
        std::string_view message = error.what();
        FUZZ_REQUIRE(message.starts_with("cannot call GridData: "), "the failure names the call");
        FUZZ_REQUIRE(isReadableMessage(message, 500), "the reason is a short readable line");
    }
    return 0;
}
