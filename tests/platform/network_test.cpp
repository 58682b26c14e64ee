#include "gzip.h"
#include "hanging_listener.h"
#include "loopback_http_server.h"
#include "temp_folder.h"
#include "platform/http_get.h"
#include "platform/unique_handle.h"
#include "platform/win32_network.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <urlmon.h>
#include <wininet.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

void PrintTo(DownloadFailure failure, std::ostream* out)
{
    const char* const names[] = {"None", "HttpStatus", "Incomplete", "NoProgress", "TooLong", "TooLarge", "Other"};
    *out << names[static_cast<int>(failure)];
}

using namespace std::chrono_literals;
using win32::FetchedFile;
using win32::FetchIntoMemory;
using win32::StartProbe;

namespace {

const std::string Signed = "<commands>\r\n<!-- QM Build 09-18-2021 -->\r\n</commands>\r\n";
constexpr ULONGLONG AnySize = 16 << 20;
constexpr DownloadLimits Generous{20000ms, 60000ms, AnySize};
// Far beyond every limit a test sets, and far below the two minutes that a
// hanging connect takes: a call that ends within it was not held up.
constexpr DWORD Promptly = 15000;

std::wstring LoopbackUrl(uint16_t port, const std::wstring& path = L"")
{
    return L"http://127.0.0.1:" + std::to_wstring(port) + path;
}

// A port on which nothing listens, at least for a moment.
uint16_t ClosedPort()
{
    const LoopbackHttpServer server;
    return server.Port();
}

DWORD MillisecondsSince(DWORD tick)
{
    return GetTickCount() - tick;
}

// A probe started and its answer waited for at once.
bool ProbeConnection(const wchar_t* url, std::chrono::milliseconds timeout, HANDLE cancel)
{
    const std::unique_ptr<SiteCheck> probe = StartProbe(url, timeout, cancel);
    return probe != nullptr && probe->SiteReached();
}

std::string Lines(size_t bytes)
{
    std::string text;
    while (text.size() < bytes) {
        text += "<command name=\"line " + std::to_string(text.size()) + "\"/>\r\n";
    }
    return text.substr(0, bytes);
}

std::vector<std::wstring> CachedCopiesOf(const std::string& marker)
{
    wchar_t cache[MAX_PATH];
    EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_INTERNET_CACHE, nullptr, SHGFP_TYPE_CURRENT, cache), S_OK);
    std::vector<std::wstring> found;
    for (const std::wstring& path : FilesBelow(cache)) {
        if (ReadFileBytes(path).find(marker) != std::string::npos) {
            found.push_back(path);
        }
    }
    return found;
}

class NetworkDownload : public ::testing::Test {
protected:
    NetworkDownload() { server.Serve("/moved", {.body = Signed}); }

    FetchedFile Download(const std::wstring& url, const DownloadLimits& limits)
    {
        return FetchIntoMemory(url.c_str(), limits, nullptr);
    }
    FetchedFile Download(const std::wstring& path, ULONGLONG maxBytes)
    {
        return Download(LoopbackUrl(server.Port(), path), {Generous.silence, Generous.total, maxBytes});
    }

    LoopbackHttpServer server;
};

// What the server at /file replies, and how the download ends. What counts
// as a whole reply is tested natively (tests/reply); these are the replies
// that WinINet must let through, or whose end it reads.
struct ReplyCase {
    const char* name;
    HttpResponse response;
    DownloadFailure end;
    int status;
    // What a successful download holds.
    std::string delivered;
    ULONGLONG maxBytes = AnySize;
    // Cut short by the server: Wine reads the close as the body's end, which
    // the proof finds short (Incomplete); Windows documents nothing there, and
    // may fail the read instead (Other).
    bool cut = false;
};

// A whole commands file of about `bytes`.
std::string Document(size_t bytes)
{
    std::string lines = Lines(bytes);
    lines.resize(lines.rfind("\r\n") + 2);
    return "<commands>\r\n" + lines + "</commands>\r\n";
}

// A reply with status 200 as it goes out: `head` holds its header fields.
std::string Raw200(const std::string& head, const std::string& body)
{
    return "HTTP/1.1 200 OK\r\n" + head + "\r\n" + body;
}

const std::string Gzipped = Gzip(Document(300 * 1024));
const std::string GzipHeader = "Content-Encoding: gzip\r\n";
const std::string TwoMembers = Gzip("<commands>\r\n") + Gzip("<!-- QM Build 09-18-2021 -->\r\n</commands>\r\n");
const std::string DoctypeWithMarkup = "<!DOCTYPE commands [<!-- the user's ] --><?pi [' ?>]>\r\n" + Signed;
// Chunked in name only: Wine's chunk parser took its first line for a chunk
// size and handed over the rest.
const std::string XmlDeclared = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n" + Signed;

// clang-format off
const ReplyCase Replies[] = {
    {"Whole", {.body = Signed}, DownloadFailure::None, 200, Signed},
    {"NotFoundWithBody", {.status = 404, .body = "<html>Not Found</html>"}, DownloadFailure::HttpStatus, 404},
    {"ClosedWithoutReply", {.answers = false}, DownloadFailure::Other, 0},
    {"CutShortOfItsLength", {.body = Signed + Lines(10000), .bodyBytesSent = 5000}, DownloadFailure::Incomplete, 200,
     "", AnySize, true},
    {"GzipWholeAndLarge", {.body = Gzipped, .headers = GzipHeader}, DownloadFailure::None, 200, Document(300 * 1024)},
    {"GzipCutToHalf", {.body = Gzipped, .bodyBytesSent = Gzipped.size() / 2, .headers = GzipHeader},
     DownloadFailure::Incomplete, 200, "", AnySize, true},
    {"GzipTwoMembers", {.body = TwoMembers, .headers = GzipHeader}, DownloadFailure::None, 200, Signed},
    {"LengthListOfEqualValues",
     {.raw = Raw200("Content-Length: " + std::to_string(Signed.size()) + ", " + std::to_string(Signed.size()) +
                    "\r\n", Signed)}, DownloadFailure::None, 200, Signed},
    {"DoctypeHoldingMarkup", {.raw = Raw200("Content-Type: text/xml\r\n", DoctypeWithMarkup)}, DownloadFailure::None,
     200, DoctypeWithMarkup},
    // Asked as HTTP/1.0, the server sends no chunks: the close ends the body.
    // Several pieces, 10 KB every 100 ms.
    {"Chunked", {.body = Document(30000), .chunked = true, .bytesPerSecond = 100000}, DownloadFailure::None, 200,
     Document(30000)},
    {"ChunkedCutBeforeTheLastChunk", {.body = Document(300 * 1024), .bodyBytesSent = 150 * 1024, .chunked = true},
     DownloadFailure::Incomplete, 200},
    {"ChunkedInNameOnly", {.raw = Raw200("Transfer-Encoding: chunked\r\n", XmlDeclared)}, DownloadFailure::Other, 200},
    {"GzipChunkedInAnswerToHttp10", {.raw = Raw200(GzipHeader + "Transfer-Encoding: chunked\r\n",
     "10\r\n" + Gzip(Signed).substr(0, 16) + "\r\n0\r\n\r\n")}, DownloadFailure::Other, 200},
    {"NoStatusLine", {.raw = Signed}, DownloadFailure::Other, 200},
    {"FoundToNotFound", {.status = 302, .location = "/missing"}, DownloadFailure::HttpStatus, 404},
    {"FoundToWhole", {.status = 302, .location = "/moved"}, DownloadFailure::None, 200, Signed},
    {"Endless", {.body = Lines(64 * 1024), .endless = true}, DownloadFailure::TooLarge, 200, "", 1 << 20},
};
// clang-format on

class Reply : public NetworkDownload, public ::testing::WithParamInterface<ReplyCase> {};

// How the server replies, which limits the download gets, and how it ends.
struct PaceCase {
    const char* name;
    HttpResponse response;
    DownloadLimits limits;
    DownloadFailure end;
    DWORD atLeastMs;
    bool connectHangs = false;
};

// clang-format off
const PaceCase Paces[] = {
    {"SilentServer", {.silenceMs = 60000}, {2000ms, 60000ms, AnySize}, DownloadFailure::NoProgress, 1500},
    {"ConnectHangs", {}, {2000ms, 60000ms, AnySize}, DownloadFailure::NoProgress, 1500, true},
    {"TrickleBeyondTheTotal", {.body = Lines(60000), .bytesPerSecond = 1024}, {30000ms, 3000ms, AnySize},
     DownloadFailure::TooLong, 2500},
    // Progress comes about every 100 ms, far within the silence limit.
    {"SteadyTrickle", {.body = Lines(4096), .bytesPerSecond = 1024}, {2000ms, 60000ms, AnySize},
     DownloadFailure::None, 3000},
};
// clang-format on

class Pace : public NetworkDownload, public ::testing::WithParamInterface<PaceCase> {};

// A message-only window and a dialog of the test's thread. Once the window has
// had a posted message and the dialog an Escape key, which only
// IsDialogMessageW turns into the dialog's IDCANCEL, the window's next timer
// tick sets `cancel`. Without a display Wine makes only message-only windows,
// so the dialog is one too, and has no controls.
class MessageTargets {
public:
    explicit MessageTargets(HANDLE cancel) : cancel_(cancel)
    {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = L"QmcuNetworkTestWindow";
        RegisterClassW(&windowClass); // fails harmlessly when already registered
        window_ =
            CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this);
        struct alignas(4) {
            DLGTEMPLATE header{WS_POPUP, 0, 0, 0, 0, 100, 50};
            WORD menu = 0, windowClass = 0, title = 0;
        } const dialogTemplate;
        dialog_ = CreateDialogIndirectParamW(instance,
                                             &dialogTemplate.header,
                                             HWND_MESSAGE,
                                             DialogProc,
                                             reinterpret_cast<LPARAM>(this));
        EXPECT_NE(window_, nullptr);
        EXPECT_NE(dialog_, nullptr);
        PostMessageW(window_, WM_APP, 0, 0);
        PostMessageW(dialog_, WM_KEYDOWN, VK_ESCAPE, 0);
        SetTimer(window_, 1, 500, nullptr);
    }
    ~MessageTargets()
    {
        DestroyWindow(dialog_);
        DestroyWindow(window_);
    }
    MessageTargets(const MessageTargets&) = delete;
    MessageTargets& operator=(const MessageTargets&) = delete;

    bool windowGotPost = false;
    bool dialogGotEscape = false;
    bool cancelled = false;
    DWORD cancelledAt = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<MessageTargets*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr && message == WM_APP) {
            self->windowGotPost = true;
            return 0;
        }
        if (self != nullptr && message == WM_TIMER && self->windowGotPost && self->dialogGotEscape &&
            !self->cancelled) {
            self->cancelled = true;
            self->cancelledAt = GetTickCount();
            SetEvent(self->cancel_);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            return TRUE;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
            reinterpret_cast<MessageTargets*>(GetWindowLongPtrW(dialog, DWLP_USER))->dialogGotEscape = true;
            return TRUE;
        }
        return FALSE;
    }

    HANDLE cancel_;
    HWND window_ = nullptr;
    HWND dialog_ = nullptr;
};

// Peers that never let a call finish: a server that stays silent after the
// request and a port whose connects hang.
struct StallingPeers {
    StallingPeers() { silent.Serve("/file", {.silenceMs = 60000}); }

    LoopbackHttpServer silent;
    HangingListener hanging;
};

// A call against a stalling peer, with limits far beyond the test's wait,
// that tells whether it ended as cancelled.
struct StalledCase {
    const char* name;
    bool (*run)(const StallingPeers& peers, HANDLE cancel);
};

const StalledCase StalledCases[] = {
    {"Download",
     [](const StallingPeers& peers, HANDLE cancel) {
         const std::wstring url = LoopbackUrl(peers.silent.Port(), L"/file");
         return FetchIntoMemory(url.c_str(), {10000ms, 10000ms, AnySize}, cancel).outcome.result.failure ==
                DownloadFailure::Other;
     }},
    {"Probe",
     [](const StallingPeers& peers, HANDLE cancel) {
         return !ProbeConnection(LoopbackUrl(peers.hanging.Port()).c_str(), 10000ms, cancel);
     }},
};

class StalledCall : public ::testing::TestWithParam<StalledCase> {
protected:
    StallingPeers peers;
};

template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

// A table's case by its name in failure messages.
template <typename Case>
requires requires(const Case& table)
{
    table.name;
}
void PrintTo(const Case& table, std::ostream* out)
{
    *out << table.name;
}

} // namespace

TEST_P(Reply, EndsAsTheReplyDeserves)
{
    const ReplyCase& reply = GetParam();
    server.Serve("/file", reply.response);
    const FetchedFile fetched = Download(L"/file", reply.maxBytes);
    const DownloadFailure end = fetched.outcome.result.failure;
    EXPECT_TRUE(end == reply.end || (reply.cut && end == DownloadFailure::Other)) << ::testing::PrintToString(end);
    EXPECT_EQ(fetched.outcome.result.httpStatus, reply.status);
    EXPECT_EQ(fetched.body.View(), reply.delivered);
}

INSTANTIATE_TEST_SUITE_P(Network, Reply, ::testing::ValuesIn(Replies), CaseName<ReplyCase>);

TEST_P(Pace, EndsWithinItsLimits)
{
    const PaceCase& pace = GetParam();
    server.Serve("/file", pace.response);
    const HangingListener hanging;
    const uint16_t port = pace.connectHangs ? hanging.Port() : server.Port();
    const DWORD start = GetTickCount();
    const FetchedFile fetched = Download(LoopbackUrl(port, L"/file"), pace.limits);
    const DWORD took = MillisecondsSince(start);
    EXPECT_EQ(fetched.outcome.result.failure, pace.end);
    EXPECT_GE(took, pace.atLeastMs);
    EXPECT_LT(took, Promptly);
    EXPECT_EQ(fetched.body.View(), pace.end == DownloadFailure::None ? pace.response.body : "");
    // A connect that hangs cannot be woken: its worker is abandoned.
    if (pace.connectHangs) {
        EXPECT_GE(took, pace.atLeastMs + win32::AbandonGraceMs);
        EXPECT_TRUE(win32::AbandonedACall());
    }
}

INSTANTIATE_TEST_SUITE_P(Network, Pace, ::testing::ValuesIn(Paces), CaseName<PaceCase>);

// Asked twice for a reply that sets a cookie and may be cached, the server
// sees both requests, as the system's download call makes them, and the
// second carries no cookie.
TEST_F(NetworkDownload, SendsTheRequestOfTheSystemsDownloadCall)
{
    server.Serve("/file",
                 {.body = Signed, .headers = "Set-Cookie: visit=1; Path=/\r\nCache-Control: max-age=3600\r\n"});
    ASSERT_EQ(Download(L"/file", AnySize).outcome.result.failure, DownloadFailure::None);
    ASSERT_EQ(Download(L"/file", AnySize).outcome.result.failure, DownloadFailure::None);
    EXPECT_EQ(server.Requests(), 2);
    char agent[512];
    DWORD size = sizeof agent;
    ASSERT_EQ(ObtainUserAgentString(0, agent, &size), S_OK);
    const std::string request = server.LastRequest();
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /file HTTP/1.0");
    for (const std::string& header : {std::string("User-Agent: ") + agent,
                                      std::string("Accept: */*"),
                                      std::string("Accept-Encoding: gzip"),
                                      std::string("Pragma: no-cache"),
                                      std::string("Connection: Keep-Alive")}) {
        EXPECT_NE(request.find("\r\n" + header + "\r\n"), std::string::npos) << header << " in:\n" << request;
    }
    EXPECT_EQ(request.find("Accept-Encoding"), request.rfind("Accept-Encoding")) << request;
    EXPECT_EQ(request.find("Cookie"), std::string::npos) << request;
    // No dialog, and a redirect to https followed without one: neither shows
    // under Wine.
    constexpr DWORD Unseen = INTERNET_FLAG_NO_UI | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    EXPECT_EQ(win32::HttpGet::RequestFlags & Unseen, Unseen);
}

TEST_F(NetworkDownload, LeavesNoCopyInTheInternetCache)
{
    const std::string marker =
        "cache-marker-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    const std::string body = marker + Lines(64 * 1024);
    server.Serve("/whole", {.body = body});
    server.Serve("/moved", {.body = body});
    server.Serve("/found", {.status = 302, .location = "/moved"});
    server.Serve("/missing", {.status = 404, .body = body});
    server.Serve("/endless", {.body = body, .endless = true});
    server.Serve("/trickle", {.body = body, .bytesPerSecond = 4096});
    const struct {
        const wchar_t* path;
        DownloadFailure end;
    } downloads[] = {
        {L"/whole", DownloadFailure::None},
        {L"/found", DownloadFailure::None},
        {L"/missing", DownloadFailure::HttpStatus},
        {L"/endless", DownloadFailure::TooLarge},
        {L"/trickle", DownloadFailure::TooLong},
    };
    for (const auto& download : downloads) {
        SCOPED_TRACE(testing::Message() << download.path);
        EXPECT_EQ(
            Download(LoopbackUrl(server.Port(), download.path), {20000ms, 1500ms, 1 << 20}).outcome.result.failure,
            download.end);
        EXPECT_EQ(CachedCopiesOf(marker), std::vector<std::wstring>{});
    }
}

TEST_F(NetworkDownload, ACancelAlreadySetGivesUpBeforeAnyConnection)
{
    server.Serve("/file", {.body = Signed});
    const UniqueHandle cancel(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    const std::wstring url = LoopbackUrl(server.Port(), L"/file");
    EXPECT_EQ(FetchIntoMemory(url.c_str(), Generous, cancel.Get()).outcome.result.failure, DownloadFailure::Other);
    EXPECT_FALSE(ProbeConnection(url.c_str(), 10000ms, cancel.Get()));
    EXPECT_EQ(server.Requests(), 0);
}

TEST_P(StalledCall, EndsWithinTheGraceWhenCancelledAndDispatchesMessagesMeanwhile)
{
    const UniqueHandle cancel(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    MessageTargets targets(cancel.Get());
    EXPECT_TRUE(GetParam().run(peers, cancel.Get()));
    const DWORD end = GetTickCount();
    EXPECT_TRUE(targets.windowGotPost);
    EXPECT_TRUE(targets.dialogGotEscape);
    ASSERT_TRUE(targets.cancelled);
    // Closing its handles does not wake a GET that waits for a silent server.
    EXPECT_LT(end - targets.cancelledAt, win32::AbandonGraceMs + 1000);
}

TEST_P(StalledCall, EndsAtOnceOnQuitAndLeavesTheQuitToTheCallersLoop)
{
    PostQuitMessage(7);
    const DWORD start = GetTickCount();
    EXPECT_TRUE(GetParam().run(peers, nullptr));
    // A worker already waiting for the silent server has its grace.
    EXPECT_LT(MillisecondsSince(start), win32::AbandonGraceMs + 1000);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

INSTANTIATE_TEST_SUITE_P(Network, StalledCall, ::testing::ValuesIn(StalledCases), CaseName<StalledCase>);

TEST(NetworkProbe, ReachesAnOpenPort)
{
    const LoopbackHttpServer server;
    EXPECT_TRUE(ProbeConnection(LoopbackUrl(server.Port()).c_str(), 10000ms, nullptr));
}

TEST(NetworkProbe, FailsAtOnceOnAClosedPort)
{
    const DWORD start = GetTickCount();
    EXPECT_FALSE(ProbeConnection(LoopbackUrl(ClosedPort()).c_str(), 10000ms, nullptr));
    EXPECT_LT(MillisecondsSince(start), 5000u);
}

TEST(NetworkProbe, GivesUpOnAHangingConnectAndHoldsUpNothingAfter)
{
    const HangingListener hanging;
    const DWORD start = GetTickCount();
    EXPECT_FALSE(ProbeConnection(LoopbackUrl(hanging.Port()).c_str(), 2000ms, nullptr));
    const DWORD took = MillisecondsSince(start);
    EXPECT_GE(took, 1500u);
    EXPECT_LT(took, Promptly);

    // The abandoned call is still blocked in its connect meanwhile.
    LoopbackHttpServer server;
    server.Serve("/file", {.body = Signed});
    EXPECT_TRUE(ProbeConnection(LoopbackUrl(server.Port()).c_str(), 10000ms, nullptr));
    const FetchedFile fetched = FetchIntoMemory(LoopbackUrl(server.Port(), L"/file").c_str(), Generous, nullptr);
    EXPECT_EQ(fetched.outcome.result.failure, DownloadFailure::None);
    EXPECT_EQ(fetched.body.View(), Signed);
}
