// Named pipes of the Win32 stand-in, as the shell-menu listener and the menu tool use them.
#include <Win32StandIn.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace {

const wchar_t kName[] = L"\\\\.\\pipe\\PIPE_KX_MENU";
constexpr DWORD kListenerOpenMode = 0x40000003;
constexpr DWORD kListenerPipeMode = 6;
constexpr DWORD kListenerBuffer = 32768;

std::string Pattern(size_t size) {
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        text[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    }
    return text;
}

// An overlapped record with its own manual-reset event.
struct Overlapped : OVERLAPPED {
    explicit Overlapped(bool signalled = false) : OVERLAPPED{} {
        hEvent = CreateEventW(nullptr, TRUE, signalled, nullptr);
    }
    ~Overlapped() { CloseHandle(hEvent); }
    DWORD Poll() const { return WaitForSingleObject(hEvent, 0); }
};

// What one blocking read gave: success, the error when it failed, and the bytes.
struct Piece {
    bool ok;
    DWORD error;
    std::string text;
    bool operator==(const Piece& o) const {
        return ok == o.ok && error == o.error && text == o.text;
    }
};
void PrintTo(const Piece& p, std::ostream* os) {
    *os << (p.ok ? "ok" : "failed") << " error " << p.error << " size " << p.text.size();
}

// What the listener's reads give for MESSAGES from a client that then leaves: each message in
// pieces of one buffer, all but the last with ERROR_MORE_DATA, then the broken pipe.
std::vector<Piece> PiecesOf(const std::vector<std::string>& messages) {
    std::vector<Piece> pieces;
    for (const std::string& message : messages) {
        size_t at = 0;
        do {
            const std::string text = message.substr(at, kListenerBuffer);
            at += text.size();
            const bool last = at == message.size();
            pieces.push_back({last, last ? DWORD{ERROR_SUCCESS} : DWORD{ERROR_MORE_DATA}, text});
        } while (at < message.size());
    }
    pieces.push_back({false, ERROR_BROKEN_PIPE, ""});
    return pieces;
}

// The error HANDLE came with; ERROR_SUCCESS, and the handle closed, when it is valid.
DWORD ErrorOf(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    EXPECT_TRUE(CloseHandle(handle));
    return ERROR_SUCCESS;
}
// The error of a call that failed, ERROR_SUCCESS for one that succeeded.
DWORD ErrorOf(BOOL ok) {
    return ok ? DWORD{ERROR_SUCCESS} : GetLastError();
}

Piece ReadOnce(HANDLE end, DWORD size = kListenerBuffer) {
    std::vector<char> buffer(size);
    DWORD read = 99;
    const bool ok = ReadFile(end, buffer.data(), size, &read, nullptr);
    return {ok, ok ? DWORD{ERROR_SUCCESS} : GetLastError(), std::string(buffer.data(), read)};
}

class NamedPipeTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/swiftsend-pipetest-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        folder_ = folder;
        win32standin::SetPipeFolder(folder_);
        handles_ = win32standin::LiveHandleCount();
    }

    void TearDown() override {
        win32standin::SetPipeFolder("");
        EXPECT_EQ(win32standin::LiveHandleCount(), handles_) << "handles leaked";
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    static HANDLE CreateServer(DWORD maxInstances = PIPE_UNLIMITED_INSTANCES) {
        return CreateNamedPipeW(kName, kListenerOpenMode, kListenerPipeMode, maxInstances, 0x10000,
                                0x10000, 0, nullptr);
    }

    static HANDLE OpenClient() {
        return CreateFileW(kName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    }

    static void Send(HANDLE end, const std::string& message) {
        DWORD written = 0;
        ASSERT_TRUE(
            WriteFile(end, message.data(), static_cast<DWORD>(message.size()), &written, nullptr))
            << GetLastError();
        ASSERT_EQ(written, message.size());
    }

    // Reads as the listener does: append pieces while a read gives more than nothing.
    static std::string ReadRequest(HANDLE pipe) {
        std::string text;
        for (Piece piece = ReadOnce(pipe); !piece.text.empty(); piece = ReadOnce(pipe)) {
            text += piece.text;
        }
        return text;
    }

    // The listener's end of one instance.
    static void Release(HANDLE pipe) {
        FlushFileBuffers(pipe);
        DisconnectNamedPipe(pipe);
        EXPECT_TRUE(CloseHandle(pipe));
    }

    bool SocketExists() const {
        struct stat info;
        return stat((folder_ + "/PIPE_KX_MENU").c_str(), &info) == 0;
    }

    std::string folder_;
    size_t handles_ = 0;
};

TEST_F(NamedPipeTest, OverlappedReadsCompleteAtOnceLaterOrCancelled) {
    HANDLE pipe = CreateServer();
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE) << GetLastError();
    HANDLE client = OpenClient();
    ASSERT_NE(client, INVALID_HANDLE_VALUE) << GetLastError();
    Overlapped overlapped(true);
    char buffer[4];
    DWORD read = 99;
    auto start = [&] {
        return ErrorOf(ReadFile(pipe, buffer, sizeof(buffer), nullptr, &overlapped));
    };
    auto result = [&](BOOL wait) {
        return ErrorOf(GetOverlappedResult(pipe, &overlapped, &read, wait));
    };

    // Nothing there: pending with the event reset, one read at a time, done when data comes.
    EXPECT_EQ(start(), ERROR_IO_PENDING);
    EXPECT_EQ(overlapped.Poll(), WAIT_TIMEOUT);
    EXPECT_EQ(result(FALSE), ERROR_IO_INCOMPLETE);
    EXPECT_EQ(start(), ERROR_INVALID_PARAMETER);
    Send(client, "abcdef");
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(result(FALSE), ERROR_MORE_DATA);
    EXPECT_EQ(std::string(buffer, read), "abcd");

    // The rest is at hand: complete at once, and the event is signalled all the same.
    EXPECT_EQ(start(), ERROR_SUCCESS);
    EXPECT_EQ(overlapped.Poll(), WAIT_OBJECT_0);
    EXPECT_EQ(result(FALSE), ERROR_SUCCESS);
    EXPECT_EQ(std::string(buffer, read), "ef");

    // Cancelled: aborted without data; what comes later is there for the next read.
    EXPECT_EQ(start(), ERROR_IO_PENDING);
    EXPECT_TRUE(CancelIoEx(pipe, &overlapped));
    EXPECT_EQ(result(TRUE), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(ErrorOf(CancelIoEx(pipe, &overlapped)), ERROR_NOT_FOUND);
    Send(client, "g");
    start();
    EXPECT_EQ(result(TRUE), ERROR_SUCCESS);
    EXPECT_EQ(std::string(buffer, read), "g");

    // A client's end has no overlapped reads.
    Overlapped other;
    EXPECT_EQ(ErrorOf(ReadFile(client, buffer, sizeof(buffer), nullptr, &other)),
              ERROR_INVALID_PARAMETER);

    // The client leaves during a read: the pipe is broken.
    EXPECT_EQ(start(), ERROR_IO_PENDING);
    EXPECT_TRUE(CloseHandle(client));
    EXPECT_EQ(result(TRUE), ERROR_BROKEN_PIPE);
    Release(pipe);
}

// The completion thread reads a piece while CancelIoEx aborts the read: the piece is either the
// read's result or left for the next read, never lost. Each read starts right after the one
// before completed, on the same socket.
TEST_F(NamedPipeTest, ACancelRacingTheDataLosesNothing) {
    HANDLE pipe = CreateServer();
    HANDLE client = OpenClient();
    ASSERT_NE(client, INVALID_HANDLE_VALUE);
    Overlapped overlapped;
    char buffer[8];
    DWORD read = 0;
    std::string sent;
    std::string received;
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(ErrorOf(ReadFile(pipe, buffer, sizeof(buffer), nullptr, &overlapped)),
                  ERROR_IO_PENDING)
            << "read " << i;
        sent += static_cast<char>('a' + i % 26);
        Send(client, sent.substr(sent.size() - 1));
        for (int turn = 0; turn < i % 8; ++turn) {
            std::this_thread::yield();  // lets the completion thread get further some times
        }
        CancelIoEx(pipe, &overlapped);
        if (GetOverlappedResult(pipe, &overlapped, &read, TRUE)) {
            received.append(buffer, read);
            continue;
        }
        ASSERT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
        ASSERT_EQ(read, 0u);
        ASSERT_TRUE(ReadFile(pipe, buffer, sizeof(buffer), &read, &overlapped)) << "read " << i;
        received.append(buffer, read);
    }
    EXPECT_EQ(received, sent);
    CloseHandle(client);
    Release(pipe);
}

// Many instances of one name, each with a pending read: one thread completes them all.
TEST_F(NamedPipeTest, InstancesOfOneNameEachReadTheirOwnClientUpToTheirLimit) {
    struct End {
        HANDLE pipe;
        HANDLE client;
        Overlapped overlapped;
        char buffer[16];
    };
    std::vector<std::unique_ptr<End>> ends;
    for (int i = 0; i < 40; ++i) {
        auto end = std::make_unique<End>();
        end->pipe = CreateServer();
        end->client = OpenClient();  // taken by the oldest listening instance: this one
        ASSERT_NE(end->client, INVALID_HANDLE_VALUE);
        ASSERT_EQ(ErrorOf(ReadFile(end->pipe, end->buffer, sizeof(end->buffer), nullptr,
                                   &end->overlapped)),
                  ERROR_IO_PENDING);
        ends.push_back(std::move(end));
    }
    for (size_t i = ends.size(); i-- > 0;) {
        Send(ends[i]->client, "to " + std::to_string(i));
    }
    for (size_t i = 0; i < ends.size(); ++i) {
        End& end = *ends[i];
        ASSERT_EQ(WaitForSingleObject(end.overlapped.hEvent, 10000), WAIT_OBJECT_0) << i;
        DWORD read = 0;
        EXPECT_TRUE(GetOverlappedResult(end.pipe, &end.overlapped, &read, FALSE));
        EXPECT_EQ(std::string(end.buffer, read), "to " + std::to_string(i));
        CloseHandle(end.client);
        Release(end.pipe);
        EXPECT_EQ(SocketExists(), i + 1 < ends.size()) << "bound while an instance lives";
    }

    HANDLE only = CreateServer(1);
    ASSERT_NE(only, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ErrorOf(CreateServer(1)), ERROR_PIPE_BUSY);
    CloseHandle(only);
}

// The read of an instance that is closed while its piece arrives is complete, one way or the
// other, when CloseHandle returns: nothing writes to its record or buffer after that.
TEST_F(NamedPipeTest, ClosingAnInstanceEndsItsReadBeforeTheCloseReturns) {
    for (int i = 0; i < 200; ++i) {
        HANDLE pipe = CreateServer();
        HANDLE client = OpenClient();
        ASSERT_NE(client, INVALID_HANDLE_VALUE);
        auto overlapped = std::make_unique<Overlapped>();
        auto buffer = std::make_unique<char[]>(16);
        ASSERT_EQ(ErrorOf(ReadFile(pipe, buffer.get(), 16, nullptr, overlapped.get())),
                  ERROR_IO_PENDING);
        Send(client, "late");
        ASSERT_TRUE(CloseHandle(pipe));
        EXPECT_EQ(overlapped->Poll(), WAIT_OBJECT_0);
        EXPECT_TRUE(overlapped->Internal == ERROR_SUCCESS ||
                    overlapped->Internal == ERROR_OPERATION_ABORTED)
            << overlapped->Internal;
        buffer.reset();
        overlapped.reset();
        CloseHandle(client);
    }
}

TEST_F(NamedPipeTest, MessagesComeInPiecesApartOrEmptyThenThePipeEnds) {
    const std::vector<std::string> cases[] = {
        {Pattern(40000)},
        {},  // a client that leaves at once
        // An empty message is one read of nothing, and the message after it is apart.
        {"", "x"},
        // Far more than the socket buffers hold: the writer blocks until the reader drains.
        {Pattern(5 * 1024 * 1024 + 17), "tail"},
    };
    for (const std::vector<std::string>& sent : cases) {
        HANDLE pipe = CreateServer();
        HANDLE client = OpenClient();
        ASSERT_NE(client, INVALID_HANDLE_VALUE);
        std::thread writer([&] {
            for (const std::string& text : sent) {
                Send(client, text);
            }
            CloseHandle(client);
        });
        std::vector<Piece> read;
        do {
            read.push_back(ReadOnce(pipe));
        } while (read.back().ok || read.back().error == ERROR_MORE_DATA);
        writer.join();
        EXPECT_EQ(read, PiecesOf(sent)) << sent.size() << " messages";
        Release(pipe);
    }
}

TEST_F(NamedPipeTest, ReleasedPendingConnectClosesWithoutHangOrLeak) {
    HANDLE pipe = CreateServer();
    Overlapped overlapped;
    ASSERT_EQ(ErrorOf(ConnectNamedPipe(pipe, &overlapped)), ERROR_IO_PENDING);
    EXPECT_TRUE(SetEvent(overlapped.hEvent));  // as the plug-in's Stop does
    EXPECT_EQ(ReadOnce(pipe, 16).error, ERROR_PIPE_LISTENING);
    Release(pipe);
    EXPECT_FALSE(SocketExists());
    EXPECT_EQ(ErrorOf(OpenClient()), ERROR_FILE_NOT_FOUND);
}

// However an instance meets its client, it serves that one alone, and the next instance serves
// the next client.
TEST_F(NamedPipeTest, EachNewInstanceServesTheNextClient) {
    // Signalled from before: a connect resets it, as an overlapped operation does.
    Overlapped overlapped(true);
    for (int round = 0; round < 5; ++round) {
        if (round == 2) {
            // The name the listening socket keeps between instances is gone (another process
            // swept it, say): the next instance binds a socket of its own.
            for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
                const std::string leaf = entry.path().filename().string();
                if (leaf.rfind(".PIPE_KX_MENU.", 0) == 0 && leaf != ".PIPE_KX_MENU.lock") {
                    std::filesystem::remove(entry.path());
                }
            }
        }
        HANDLE pipe = CreateServer();
        ASSERT_NE(pipe, INVALID_HANDLE_VALUE) << "round " << round;
        HANDLE client = INVALID_HANDLE_VALUE;
        if (round < 2) {
            EXPECT_EQ(ErrorOf(ConnectNamedPipe(pipe, &overlapped)), ERROR_IO_PENDING);
            EXPECT_EQ(overlapped.Poll(), WAIT_TIMEOUT);
            client = OpenClient();
            // The server side is complete before the client's open returns; the event follows.
            EXPECT_EQ(ErrorOf(ConnectNamedPipe(pipe, nullptr)), ERROR_PIPE_CONNECTED);
            EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, 10000), WAIT_OBJECT_0);
        } else if (round == 2) {
            client = OpenClient();  // before the connect
            EXPECT_EQ(ErrorOf(ConnectNamedPipe(pipe, &overlapped)), ERROR_PIPE_CONNECTED);
        } else if (round == 3) {
            // Without a record the connect blocks until the client comes.
            std::thread opener([&] { client = OpenClient(); });
            EXPECT_TRUE(ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED);
            opener.join();
        } else {
            client = OpenClient();
        }
        ASSERT_NE(client, INVALID_HANDLE_VALUE) << "round " << round;
        // The one instance is taken: a second client is turned away, not queued.
        EXPECT_EQ(ErrorOf(OpenClient()), ERROR_PIPE_BUSY);

        const std::string request = "request " + std::to_string(round);
        Send(client, request);
        CloseHandle(client);
        if (round == 4) {
            // The client wrote and left before the connect: the connect says so, and what it
            // wrote is still there.
            EXPECT_EQ(ErrorOf(ConnectNamedPipe(pipe, &overlapped)), ERROR_NO_DATA);
        }
        EXPECT_EQ(ReadRequest(pipe), request);
        Release(pipe);
        EXPECT_FALSE(SocketExists());
    }
}

TEST_F(NamedPipeTest, BothEndsWriteAndWritingToAClosedEndFails) {
    HANDLE pipe = CreateServer();
    HANDLE client = OpenClient();
    ASSERT_NE(client, INVALID_HANDLE_VALUE);
    Send(pipe, "reply");
    EXPECT_EQ(ReadOnce(client, 16), (Piece{true, ERROR_SUCCESS, "reply"}));
    EXPECT_TRUE(FlushFileBuffers(pipe));

    Release(pipe);
    DWORD written = 5;
    EXPECT_EQ(ErrorOf(WriteFile(client, "late", 4, &written, nullptr)), ERROR_NO_DATA);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(ReadOnce(client, 16).error, ERROR_BROKEN_PIPE);
    CloseHandle(client);
}

TEST_F(NamedPipeTest, NoServerStaleSocketOrAnotherProcessesName) {
    EXPECT_EQ(ErrorOf(OpenClient()), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ErrorOf(WaitNamedPipeW(kName, 1)), ERROR_SEM_TIMEOUT);

    // A socket file left by a process that died: clients are refused, a server takes the name.
    int dead = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string path = folder_ + "/PIPE_KX_MENU";
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(bind(dead, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    close(dead);
    EXPECT_EQ(ErrorOf(OpenClient()), ERROR_FILE_NOT_FOUND);

    HANDLE pipe = CreateServer();
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_TRUE(WaitNamedPipeW(kName, NMPWAIT_USE_DEFAULT_WAIT));
    EXPECT_EQ(ErrorOf(OpenClient()), ERROR_SUCCESS);
    Release(pipe);

    // The lock a serving process holds on the name.
    int lock = open((folder_ + "/.PIPE_KX_MENU.lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(ErrorOf(CreateServer()), ERROR_PIPE_BUSY);
    close(lock);
    EXPECT_EQ(ErrorOf(CreateServer()), ERROR_SUCCESS);
}

TEST_F(NamedPipeTest, BadNamesAndModesAreRefused) {
    struct Case {
        const wchar_t* name;
        DWORD pipeMode;
        DWORD error;
    } cases[] = {
        {L"PIPE_KX_MENU", kListenerPipeMode, ERROR_INVALID_NAME},
        {L"\\\\.\\pipe\\", kListenerPipeMode, ERROR_INVALID_NAME},
        {L"\\\\.\\pipe\\a/b", kListenerPipeMode, ERROR_INVALID_NAME},
        {L"\\\\.\\pipe\\..", kListenerPipeMode, ERROR_INVALID_NAME},
        {kName, kListenerPipeMode | PIPE_NOWAIT, ERROR_INVALID_PARAMETER},
        {kName, PIPE_READMODE_MESSAGE, ERROR_INVALID_PARAMETER},
        {L"\\\\.\\PIPE\\PIPE_KX_MENU", kListenerPipeMode, ERROR_SUCCESS},  // any case
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            ErrorOf(CreateNamedPipeW(c.name, kListenerOpenMode, c.pipeMode, 1, 0, 0, 0, nullptr)),
            c.error)
            << std::string(c.name, c.name + wcslen(c.name));
    }
    EXPECT_EQ(
        ErrorOf(CreateFileW(L"/etc/passwd", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)),
        ERROR_INVALID_NAME);
}

}  // namespace
