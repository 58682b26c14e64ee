#include "e2e_fixture.h"
#include "gzip.h"

#include <random>

namespace {

using expected::LatestLabel;

const std::string Signed = LoopbackProfile::Newer;
const std::string Path = "/downloads/MyQMCommands.xml";
const std::string Elsewhere = "/moved/MyQMCommands.xml";
const std::string Missing = "/missing/MyQMCommands.xml";

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

// 300 KiB, signed near the top; half of it is what a cut reply delivers.
std::string SignedLarge()
{
    return "<commands>\r\n<!-- QM Build 09-18-2021 -->\r\n" + std::string(300 * 1024, ' ') + "</commands>\r\n";
}

std::string Trickled()
{
    return Signed + std::string(4 * 1024, ' ');
}

// A signed block of 64 KiB, which an endless reply sends over and over.
std::string SignedBlock()
{
    return Signed + std::string(64 * 1024 - Signed.size(), ' ');
}

// What the download server does, and what the dialog shows for what it delivered.
struct Hostile {
    const char* name;
    HttpResponse response;
    std::wstring latest; // after the label
    bool offered;
};

const std::wstring Failed = expected::DownloadFailed;
const std::wstring Found = L"QM Build 09-18-2021";

// Only a whole reply with final status 200 is a download; anything else shows
// that the download failed, and what it left is never read.
// clang-format off
const Hostile Cases[] = {
    {"NotFoundWithHtml", {.status = 404, .body = "<html><body>Not Found</body></html>"}, Failed, false},
    {"ServerErrorWithHtml", {.status = 500, .body = "<html><body>Internal error</body></html>"}, Failed, false},
    {"ServerErrorCarryingASignature", {.status = 500, .body = Signed}, Failed, false},
    {"MovedPermanently", {.status = 301, .location = Elsewhere}, Found, true},
    {"Found", {.status = 302, .location = Elsewhere}, Found, true},
    {"SeeOther", {.status = 303, .location = Elsewhere}, Found, true},
    {"TemporaryRedirect", {.status = 307, .location = Elsewhere}, Found, true},
    {"FoundToANotFoundPageCarryingASignature", {.status = 302, .location = Missing}, Failed, false},
    {"PermanentRedirectNotFollowed", {.status = 308, .body = "moved", .location = Elsewhere}, Failed, false},
    {"CutBeforeTheSignature", {.body = Signed, .bodyBytesSent = 20}, Failed, false},
    {"CutAfterTheSignature", {.body = Signed + std::string(1000, ' '), .bodyBytesSent = Signed.size()}, Failed, false},
    {"EmptyBody", {.body = ""}, L"", false},
    {"FiftyMegabytesSignedAtTheEnd", {.body = LargeWithSignatureAtTheEnd()}, L"QM Build 12-24-2026", true},
    {"BinaryGarbage", {.body = Garbage()}, L"", false},
    {"Utf16File", {.body = Utf16(Signed)}, L"", false},
    {"GzipEncoded", {.body = Gzip(Signed), .headers = "Content-Encoding: gzip\r\n"}, Found, true},
    {"Chunked", {.body = Signed, .chunked = true}, Found, true},
    {"ChunkedCutBeforeTheLastChunk", {.body = SignedLarge(), .bodyBytesSent = 150 * 1024, .chunked = true}, Failed,
     false},
    {"GzipCutToHalf", {.body = Gzip(SignedLarge()), .bodyBytesSent = Gzip(SignedLarge()).size() / 2,
     .headers = "Content-Encoding: gzip\r\n"}, Failed, false},
    {"GzipChunkedCutBeforeTheLastChunk", {.body = Gzip(SignedLarge()), .bodyBytesSent = Gzip(SignedLarge()).size() / 2,
     .headers = "Content-Encoding: gzip\r\n", .chunked = true}, Failed, false},
    {"TricklesInWhole", {.body = Trickled(), .bytesPerSecond = 1024}, Found, true},
    {"SilentThenAnswers", {.body = Signed, .silenceMs = 3000}, Found, true},
    {"SilentThenCloses", {.silenceMs = 3000, .answers = false}, Failed, false},
    // Given up after 15 s without progress.
    {"NeverAnswers", {.silenceMs = 60000, .answers = false}, Failed, false},
    // Given up at 64 MiB.
    {"NeverEnds", {.body = SignedBlock(), .endless = true, .endlessCapBytes = 96u << 20}, Failed, false},
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
    files->Serve(Missing, {.status = 404, .body = Signed});
    const auto program = Start();
    ASSERT_NE(program->Dialog(), nullptr);
    const DialogState shown = program->Read();
    EXPECT_EQ(shown.running, expected::RunningLabel + L"QM Build 01-02-2020");
    EXPECT_EQ(shown.latest, LatestLabel + hostile.latest);
    EXPECT_EQ(shown.status, hostile.offered ? expected::UpdateOffer : L"");
    EXPECT_EQ(shown.buttonShown, hostile.offered);
    if (!hostile.offered) {
        // As another program could post it: without an offer it does nothing.
        program->PostToDialog(WM_COMMAND, IDOK, 0);
        EXPECT_FALSE(program->WaitForMessageBox(2000));
    }
    Close(*program);
    EXPECT_EQ(program->BoxesWhileClosing(), 0);
    EXPECT_EQ(ReadFileBytes(installed), Older);
    EXPECT_FALSE(FileExists(download));
}

INSTANTIATE_TEST_SUITE_P(Downloads,
                         HostileServer,
                         ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<Hostile>& info) { return info.param.name; });
