// serve: a local publisher for the manager's tests and the demo. Plain HTTP,
// because the manager accepts http:// only from a loopback host, and every
// request is written down so tests can see exactly what the manager sent.
#include <httplib.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <thread>

#include "Publish.h"
#include "base/Guard.h"
#include "base/Loopback.h"
#include "base/Text.h"

namespace pankor::publish {

namespace {

constexpr const char* kServeUsage =
    "usage: pankor-publish serve DIR [--port N] [--host HOST] [--public]\n"
    "                            [--status PATH=CODE] [--delay PATH=MS] [--hang PATH]\n"
    "                            [--issue-limit N]\n"
    "  Serves the files below DIR over plain HTTP as the publisher would:\n"
    "  GET /pankor/catalog.json answers DIR/pankor/catalog.json, and so on for\n"
    "  every file below DIR (a folder answers its index.html; no listings).\n"
    "  POST /telemetry.php and /issue.php are answered 200 and appended as one\n"
    "  JSON line each to DIR/reports/telemetry.jsonl and issue.jsonl; every\n"
    "  request's method, path and headers go to DIR/reports/requests.jsonl.\n"
    "  Once listening it prints \"serving DIR at http://HOST:PORT\"; Ctrl-C or\n"
    "  SIGTERM stops it.\n"
    "\n"
    "  --port N          port to listen on, default 8080; 0 picks a free one\n"
    "  --host HOST       address to listen on, default 127.0.0.1\n"
    "  --public          allow a HOST that is not a loopback address\n"
    "  --status PATH=CODE  answer PATH with status CODE and an empty body\n"
    "  --delay PATH=MS   wait MS milliseconds before answering PATH\n"
    "  --hang PATH       accept PATH and never answer it until the server stops\n"
    "  --issue-limit N   answer 429 to issue reports beyond N within one minute\n"
    "  The last four may be repeated, one PATH each.\n";

constexpr const char* kTelemetryPath = "/telemetry.php";
constexpr const char* kIssuePath = "/issue.php";

struct ServeOptions {
    std::string dir;
    std::string host = "127.0.0.1";
    int port = 8080;
    bool allowPublic = false;
    std::map<std::string, int> status;
    std::map<std::string, int> delayMs;
    std::set<std::string> hang;
    std::optional<int> issueLimit;
};

bool ParseInt(std::string_view text, int low, int high, int& out) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) return false;
    out = value;
    return true;
}

// "PATH=NUMBER": the number follows the last '=', so a path may hold one too.
bool ParsePathValue(const std::string& text, int low, int high, std::string& path, int& value) {
    const std::size_t eq = text.rfind('=');
    if (eq == std::string::npos || eq == 0 || text[0] != '/') return false;
    path = text.substr(0, eq);
    return ParseInt(std::string_view(text).substr(eq + 1), low, high, value);
}

// Fills options, or returns the complaint to print above the usage.
std::optional<std::string> ParseServeArgs(const Args& args, ServeOptions& o) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        std::string path;
        int value = 0;
        if (a == "--public") {
            o.allowPublic = true;
        } else if (a == "--port" && hasValue) {
            if (!ParseInt(args[++i], 0, 65535, o.port)) return "--port wants a number from 0 to 65535";
        } else if (a == "--host" && hasValue) {
            o.host = args[++i];
        } else if (a == "--status" && hasValue) {
            if (!ParsePathValue(args[++i], 100, 599, path, value)) return "--status wants /PATH=CODE, CODE 100 to 599";
            o.status[path] = value;
        } else if (a == "--delay" && hasValue) {
            if (!ParsePathValue(args[++i], 0, 600000, path, value)) return "--delay wants /PATH=MS, MS up to 600000";
            o.delayMs[path] = value;
        } else if (a == "--hang" && hasValue) {
            if (args[++i].empty() || args[i][0] != '/') return "--hang wants a path starting with /";
            o.hang.insert(args[i]);
        } else if (a == "--issue-limit" && hasValue) {
            if (!ParseInt(args[++i], 0, INT_MAX, value)) return "--issue-limit wants a number of reports";
            o.issueLimit = value;
        } else if (o.dir.empty() && !a.empty() && a.rfind("--", 0) != 0) {
            o.dir = a;
        } else {
            return "unexpected argument '" + a + "'";
        }
    }
    if (o.dir.empty()) return "no folder to serve";
    if (o.host.size() > 2 && o.host.front() == '[' && o.host.back() == ']')
        o.host = o.host.substr(1, o.host.size() - 2);
    if (o.host.empty()) return "--host wants an address";
    return std::nullopt;
}

std::string UrlHost(const std::string& host) { return host.find(':') != std::string::npos ? "[" + host + "]" : host; }

std::string ContentType(const std::string& path) {
    static const std::map<std::string, std::string> types = {
        {"json", "application/json"},
        {"sig", "text/plain"},
        {"txt", "text/plain"},
        {"hex", "text/plain"},
        {"ini", "text/plain"},
        {"log", "text/plain"},
        {"jsonl", "text/plain"},
        {"html", "text/html; charset=utf-8"},
        {"htm", "text/html; charset=utf-8"},
        {"css", "text/css"},
        {"js", "text/javascript"},
        {"png", "image/png"},
        {"bmp", "image/bmp"},
        {"ico", "image/x-icon"},
        {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"},
        {"gif", "image/gif"},
        {"svg", "image/svg+xml"},
        {"zip", "application/zip"},
        {"exe", "application/octet-stream"},
    };
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "application/octet-stream";
    const auto it = types.find(LowerAscii(path.substr(dot + 1)));
    return it == types.end() ? "application/octet-stream" : it->second;
}

std::string UtcStamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    gmtime_r(&t, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &tm);
    char millis[8];
    std::snprintf(millis, sizeof millis, ".%03dZ", static_cast<int>(ms));
    return std::string(stamp) + millis;
}

std::string Base64(std::string_view data) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, data.size() - i);
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < 3; ++k) v = (v << 8) | (k < n ? static_cast<unsigned char>(data[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k) out += k <= n ? kDigits[(v >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

using Json = nlohmann::ordered_json;

// What the client sent, without the entries the library adds of its own.
Json HeadersJson(const httplib::Request& req) {
    static const std::set<std::string> added = {"REMOTE_ADDR", "REMOTE_PORT", "LOCAL_ADDR", "LOCAL_PORT"};
    Json headers = Json::object();
    for (const auto& [name, value] : req.headers) {
        if (added.count(name) != 0) continue;
        // A repeated header keeps every value, joined as HTTP allows.
        if (headers.contains(name))
            headers[name] = headers[name].get<std::string>() + ", " + value;
        else
            headers[name] = value;
    }
    return headers;
}

class Publisher {
public:
    Publisher(ServeOptions options, std::string root) : o_(std::move(options)), root_(std::move(root)) {}

    void Install(httplib::Server& server) {
        server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
            Json line;
            line["time"] = UtcStamp();
            line["method"] = req.method;
            line["path"] = req.path;
            line["target"] = req.target;
            line["headers"] = HeadersJson(req);
            Append("requests.jsonl", line);
            return httplib::Server::HandlerResponse::Unhandled;
        });
        // Any path at all, line breaks included: the handlers decide.
        constexpr const char* kAnyPath = R"([\s\S]*)";
        server.Get(kAnyPath, [this](const httplib::Request& req, httplib::Response& res) {
            if (Prelude(req, res)) ServeFile(req, res);
        });
        server.Post(kAnyPath, [this](const httplib::Request& req, httplib::Response& res) {
            if (Prelude(req, res)) Report(req, res);
        });
        server.set_exception_handler(
            [](const httplib::Request& req, httplib::Response& res, const std::exception_ptr& ep) {
                const std::string what = ep ? DescribeException(ep) : "unknown error";
                std::fprintf(stderr, "pankor-publish: %s %s: %s\n", req.method.c_str(), req.path.c_str(), what.c_str());
                res.status = 500;
                res.set_content("server error\n", "text/plain");
            });
    }

    // Releases waiting delays; hung requests stay hung until the process ends.
    void Stop() {
        {
            std::lock_guard<std::mutex> lock(waitMutex_);
            stopping_ = true;
        }
        waitCv_.notify_all();
    }
    int Hung() const { return hung_.load(); }

private:
    // The test switches; false when they already answered the request.
    bool Prelude(const httplib::Request& req, httplib::Response& res) {
        if (o_.hang.count(req.path) != 0) Hang();
        if (const auto d = o_.delayMs.find(req.path); d != o_.delayMs.end()) {
            std::unique_lock<std::mutex> lock(waitMutex_);
            waitCv_.wait_for(lock, std::chrono::milliseconds(d->second), [this] { return stopping_; });
        }
        if (const auto s = o_.status.find(req.path); s != o_.status.end()) {
            res.status = s->second;
            return false;
        }
        return true;
    }

    [[noreturn]] void Hang() {
        ++hung_;
        std::unique_lock<std::mutex> lock(hangMutex_);
        for (;;) hangCv_.wait(lock);
    }

    void ServeFile(const httplib::Request& req, httplib::Response& res) {
        std::string file;
        const int status = Resolve(req.path, file);
        if (status != 200) {
            res.status = status;
            res.set_content(status == 403 ? "forbidden\n" : "not found\n", "text/plain");
            return;
        }
        std::string data;
        if (!ReadWholeFile(file, data)) {
            res.status = 500;
            res.set_content("cannot read the file\n", "text/plain");
            return;
        }
        res.status = 200;
        res.set_content(data, ContentType(file));  // the library copies the body in any case
    }

    // The file a path names: 200 and its real path, 403 for anything that
    // would leave the folder, 404 when there is no such file.
    int Resolve(const std::string& path, std::string& file) const {
        if (path.empty() || path[0] != '/') return 404;
        if (path.find('\0') != std::string::npos || path.find('\\') != std::string::npos) return 403;
        for (std::size_t start = 1; start <= path.size();) {
            std::size_t slash = path.find('/', start);
            if (slash == std::string::npos) slash = path.size();
            if (path.compare(start, slash - start, "..") == 0) return 403;
            start = slash + 1;
        }
        std::string real;
        int status = RealInside(root_ + path, real);
        if (status != 200) return status;
        struct stat st {};
        if (stat(real.c_str(), &st) != 0) return 404;
        if (S_ISDIR(st.st_mode)) {
            status = RealInside(real + "/index.html", real);
            if (status != 200) return status;
            if (stat(real.c_str(), &st) != 0) return 404;
        }
        if (!S_ISREG(st.st_mode)) return 404;
        file = real;
        return 200;
    }

    // Symbolic links are followed, but never out of the folder.
    int RealInside(const std::string& path, std::string& real) const {
        char buf[PATH_MAX];
        if (realpath(path.c_str(), buf) == nullptr) return errno == EACCES ? 403 : 404;
        real = buf;
        if (real != root_ && real.compare(0, root_.size() + 1, root_ + "/") != 0) return 403;
        return 200;
    }

    void Report(const httplib::Request& req, httplib::Response& res) {
        const bool issue = req.path == kIssuePath;
        if (!issue && req.path != kTelemetryPath) {
            res.status = 404;
            res.set_content("not found\n", "text/plain");
            return;
        }
        if (issue && o_.issueLimit && !TakeIssueSlot()) {
            res.status = 429;
            res.set_content("too many reports\n", "text/plain");
            return;
        }
        Json line;
        line["time"] = UtcStamp();
        line["path"] = req.path;
        line["headers"] = HeadersJson(req);
        line["body"] = req.body;
        // The body as text is lossy when it is not UTF-8; keep the bytes too.
        if (SanitizeUtf8(req.body) != req.body) line["bodyBase64"] = Base64(req.body);
        if (!Append(issue ? "issue.jsonl" : "telemetry.jsonl", line)) {
            res.status = 500;
            res.set_content("could not record the report\n", "text/plain");
            return;
        }
        res.status = 200;
        res.set_content("ok\n", "text/plain");
    }

    // At most issueLimit accepted reports in any minute.
    bool TakeIssueSlot() {
        std::lock_guard<std::mutex> lock(issueMutex_);
        const auto now = std::chrono::steady_clock::now();
        while (!acceptedIssues_.empty() && now - acceptedIssues_.front() >= std::chrono::minutes(1))
            acceptedIssues_.pop_front();
        if (static_cast<int>(acceptedIssues_.size()) >= *o_.issueLimit) return false;
        acceptedIssues_.push_back(now);
        return true;
    }

    bool Append(const std::string& name, const Json& line) {
        const std::string text = line.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
        std::lock_guard<std::mutex> lock(fileMutex_);
        const std::string dir = root_ + "/reports";
        if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
            std::fprintf(stderr, "pankor-publish: cannot create %s\n", dir.c_str());
            return false;
        }
        const std::string path = dir + "/" + name;
        FILE* f = std::fopen(path.c_str(), "ab");
        if (f == nullptr) {
            std::fprintf(stderr, "pankor-publish: cannot write %s\n", path.c_str());
            return false;
        }
        const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
        return std::fclose(f) == 0 && ok;
    }

    const ServeOptions o_;
    const std::string root_;
    std::mutex fileMutex_, issueMutex_, waitMutex_, hangMutex_;
    std::condition_variable waitCv_, hangCv_;
    bool stopping_ = false;
    std::atomic<int> hung_{0};
    std::deque<std::chrono::steady_clock::time_point> acceptedIssues_;
};

}  // namespace

int Serve(const Args& args) {
    if (WantsHelp(args)) return Help(kServeUsage);
    ServeOptions o;
    if (const auto complaint = ParseServeArgs(args, o)) {
        std::fprintf(stderr, "pankor-publish serve: %s\n\n", complaint->c_str());
        return Usage(kServeUsage);
    }
    if (!o.allowPublic && !IsLoopbackHost(o.host)) {
        std::fprintf(stderr,
                     "pankor-publish serve: refusing to listen on %s: it is not a loopback address, so other "
                     "machines could reach this test server. Add --public if that is what you want.\n",
                     o.host.c_str());
        return 2;
    }
    char real[PATH_MAX];
    struct stat st {};
    if (realpath(o.dir.c_str(), real) == nullptr || stat(real, &st) != 0 || !S_ISDIR(st.st_mode))
        return Fail("no such folder: " + o.dir);

    try {
        // Signals are taken by one thread of our own, so none of the
        // server's threads is interrupted in the middle of a request.
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
        // A shell starts background jobs with SIGINT ignored, and an ignored
        // signal never reaches sigwait.
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        signal(SIGPIPE, SIG_IGN);  // a client that went away is no reason to end

        Publisher publisher(o, real);
        httplib::Server server;
        server.new_task_queue = [] { return new httplib::ThreadPool(32); };  // hung requests hold a thread each
        server.set_keep_alive_timeout(1);                                    // idle connections must not hold up a stop
        server.set_payload_max_length(16u << 20);
        // Address reuse for quick restarts, but no shared ports: a second
        // server on a busy port must fail, not take half of the requests.
        server.set_socket_options([](socket_t sock) {
            const int yes = 1;
            setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        });
        publisher.Install(server);

        int port = o.port;
        if (port == 0)
            port = server.bind_to_any_port(o.host);
        else if (!server.bind_to_port(o.host, port))
            port = -1;
        if (port <= 0)
            return Fail("cannot listen on " + UrlHost(o.host) + ":" + std::to_string(o.port) +
                        " (address in use, or not an address of this machine)");
        std::printf("serving %s at http://%s:%d\n", o.dir.c_str(), UrlHost(o.host).c_str(), port);
        std::fflush(stdout);

        std::atomic<bool> listenDone{false}, stopAsked{false};
        std::thread stopper([&] {
            try {
                int signal = 0;
                sigwait(&stopSignals, &signal);
                stopAsked = true;
                publisher.Stop();
                while (!server.is_running() && !listenDone) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                server.stop();
                // A hung request must never be answered, and its thread never
                // returns: then end here; its connection closes with the process.
                while (!listenDone) {
                    if (publisher.Hung() > 0) {
                        std::fflush(stdout);
                        std::_Exit(0);
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
            } catch (const std::exception& e) {
                std::fprintf(stderr, "pankor-publish: stopping failed: %s\n", e.what());
                std::_Exit(1);
            }
        });
        bool listened = false;
        std::string failure;
        try {
            listened = server.listen_after_bind();
        } catch (const std::exception& e) {
            failure = e.what();  // caught here: the stopper thread must be joined first
        }
        listenDone = true;
        const bool asked = stopAsked;
        if (!asked) kill(getpid(), SIGTERM);  // wakes the stopper, which is waiting for a signal
        stopper.join();
        if (!failure.empty()) return Fail("the server failed: " + failure);
        if (!asked) return Fail(listened ? "the server stopped unexpectedly" : "the server could not run");
        return 0;
    } catch (const std::exception& e) {
        return Fail(std::string("serve failed: ") + e.what());
    }
}

}  // namespace pankor::publish
