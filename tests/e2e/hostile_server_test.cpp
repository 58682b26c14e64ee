#include "e2e_fixture.h"

#include <random>

namespace {

using expected::LatestLabel;

const std::string Signed = "<commands>\r\n<!-- QM Build 09-18-2021 -->\r\n</commands>\r\n";
const std::string Path = "/downloads/MyQMCommands.xml";
const std::string Elsewhere = "/moved/MyQMCommands.xml";

std::string Garbage()
{
    std::mt19937 random(7);
    std::string bytes(64 * 1024, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random() % 256);
    }
    return bytes;
}

std::string Utf16(const std::string& text)
{
    std::string wide = "\xFF\xFE";
    for (char c : text) {
        wide += c;
        wide += '\0';
    }
    return wide;
}

std::string LargeWithSignatureAtTheEnd()
{
    std::string body(50 * 1024 * 1024, 'x');
    for (size_t at = 99; at < body.size(); at += 100) {
        body[at] = '\n';
    }
    return body + "QM Build 12-24-2026";
}

// What the download server does, and what the dialog shows for what it delivered.
struct Hostile {
    const char* name;
    HttpResponse response;
    std::wstring latest; // after the label
    bool offered;
};

// clang-format off
const Hostile Cases[] = {
    {"NotFoundWithHtml", {.status = 404, .body = "<html><body>Not Found</body></html>"}, L"", false},
    {"ServerErrorWithHtml", {.status = 500, .body = "<html><body>Internal error</body></html>"}, L"", false},
    // The download call decides what success is: under Wine an error status
    // still delivers its body, and a signature in it is offered.
    {"ServerErrorCarryingASignature", {.status = 500, .body = Signed}, L"QM Build 09-18-2021", true},
    {"MovedPermanently", {.status = 301, .location = Elsewhere}, L"QM Build 09-18-2021", true},
    {"Found", {.status = 302, .location = Elsewhere}, L"QM Build 09-18-2021", true},
    {"SeeOther", {.status = 303, .location = Elsewhere}, L"QM Build 09-18-2021", true},
    {"TemporaryRedirect", {.status = 307, .location = Elsewhere}, L"QM Build 09-18-2021", true},
    {"PermanentRedirectNotFollowed", {.status = 308, .body = "moved", .location = Elsewhere}, L"", false},
    {"CutBeforeTheSignature", {.body = Signed, .bodyBytesSent = 20}, L"", false},
    // No completeness check of its own: a cut body that carries a signature is offered.
    {"CutAfterTheSignature", {.body = Signed + std::string(1000, ' '), .bodyBytesSent = Signed.size()},
     L"QM Build 09-18-2021", true},
    {"EmptyBody", {.body = ""}, L"", false},
    {"FiftyMegabytesSignedAtTheEnd", {.body = LargeWithSignatureAtTheEnd()}, L"QM Build 12-24-2026", true},
    {"BinaryGarbage", {.body = Garbage()}, L"", false},
    {"Utf16File", {.body = Utf16(Signed)}, L"", false},
    {"SilentThenAnswers", {.body = Signed, .silenceMs = 3000}, L"QM Build 09-18-2021", true},
    // Wine reports a connection closed without an answer as a download of nothing.
    {"SilentThenCloses", {.silenceMs = 3000, .answers = false}, L"", false},
};
// clang-format on

class HostileServer : public EndToEnd, public ::testing::WithParamInterface<Hostile> {};

} // namespace

TEST_P(HostileServer, ShowsWhatTheDownloadDeliveredAndKeepsTheInstalledFile)
{
    const Hostile& hostile = GetParam();
    Install(Older);
    files->Serve(Path, hostile.response);
    files->Serve(Elsewhere, {.body = Signed});
    const auto program = Start();
    ASSERT_NE(program->Dialog(), nullptr);
    const DialogState shown = program->Read();
    EXPECT_EQ(shown.running, expected::RunningLabel + L"QM Build 01-02-2020");
    EXPECT_EQ(shown.latest, LatestLabel + hostile.latest);
    EXPECT_EQ(shown.status, hostile.offered ? expected::UpdateOffer : L"");
    EXPECT_EQ(shown.buttonShown, hostile.offered);
    Close(*program);
    EXPECT_EQ(ReadFileBytes(installed), Older);
    EXPECT_FALSE(FileExists(download));
}

INSTANTIATE_TEST_SUITE_P(Downloads,
                         HostileServer,
                         ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<Hostile>& info) { return info.param.name; });
