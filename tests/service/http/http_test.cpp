#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <thread>

#include "service/http.h"

namespace {

using namespace std::string_literals;

// "\r\n", "\n\r", runs of breaks, breaks at both ends and long runs without any.
const std::string& BrokenBody() {
  static const std::string body = [] {
    const std::string pieces[] = {"\r\n",     "\n\r", "\r",     "\n",
                                  "\r\r\n\n", "x",    "A|B|C,", std::string(300, 'y')};
    std::string text = "\r\n";
    unsigned next = 1;
    while (text.size() < 200000) {
      next = next * 1103515245u + 12345u;
      text += pieces[(next >> 16) % std::size(pieces)];
    }
    return text + "\n";
  }();
  return body;
}

// A real HTTP server on a free loopback port, answering each path with a fixed body.
class LoopbackServer {
 public:
  LoopbackServer() {
    server_.Get("/crlf", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("a\r\nb\r\n", "text/plain");
    });
    server_.Get("/cr", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("a\rb", "text/plain");
    });
    server_.Get("/nolf", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("first\nlast line", "text/plain");
    });
    server_.Get("/empty", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("", "text/plain");
    });
    // Breaks of every kind and in every arrangement, streamed in blocks of odd sizes so that
    // breaks fall on the edges of what libcurl hands over.
    server_.Get("/breaks", [](const httplib::Request&, httplib::Response& r) {
      r.set_chunked_content_provider("text/plain", [](size_t offset, httplib::DataSink& sink) {
        const std::string& body = BrokenBody();
        if (offset >= body.size()) {
          sink.done();
          return true;
        }
        const size_t block = offset % 3 == 0 ? 7 : 4093;
        return sink.write(body.data() + offset, std::min(block, body.size() - offset));
      });
    });
    server_.Get("/missing", [](const httplib::Request&, httplib::Response& r) {
      r.status = 404;
      r.set_content("not\r\nhere", "text/plain");
    });
    // Redirects: to the list, in a circle, and away from HTTP.
    const auto redirect = [this](const std::string& from, const std::string& to) {
      server_.Get(from, [to](const httplib::Request&, httplib::Response& r) {
        r.set_redirect(to, 302);
        r.set_content("<html>moved</html>", "text/html");
      });
    };
    redirect("/moved", "/crlf");
    redirect("/twice", "/moved");
    redirect("/circle", "/circle");
    redirect("/to-file", "file:///etc/hostname");
    server_.Post("/moved", [](const httplib::Request&, httplib::Response& r) {
      r.set_redirect("/echo", 302);
      r.set_content("moved", "text/plain");
    });
    server_.Get("/agent", [](const httplib::Request& q, httplib::Response& r) {
      r.set_content(q.get_header_value("User-Agent"), "text/plain");
    });
    server_.Post("/echo", [this](const httplib::Request& q, httplib::Response& r) {
      lastBody_ = q.body;
      lastType_ = q.get_header_value("Content-Type");
      r.set_content("got:" + q.body, "text/plain");
    });
    server_.Post("/zero", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("before\0after"s, "text/plain");
    });
    server_.Post("/error", [](const httplib::Request&, httplib::Response& r) {
      r.status = 500;
      r.set_content("server broke", "text/plain");
    });
    server_.Post("/empty", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("", "text/plain");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~LoopbackServer() {
    server_.stop();
    thread_.join();
  }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  std::string lastBody_, lastType_;

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

// A loopback port with nobody listening: bound and closed again.
std::string UnreachableUrl() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x";
}

// A one-shot server that promises a longer body than it sends, then hangs up.
class TruncatingServer {
 public:
  TruncatingServer() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fd_, 1);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
      const int client = accept(fd_, nullptr, nullptr);
      if (client < 0) return;
      char request[4096];
      [[maybe_unused]] const ssize_t got = recv(client, request, sizeof request, 0);
      const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nA|B|C|D|E|F,";
      [[maybe_unused]] const ssize_t sent = send(client, answer.data(), answer.size(), 0);
      close(client);
    });
  }
  ~TruncatingServer() {
    shutdown(fd_, SHUT_RDWR);
    thread_.join();
    close(fd_);
  }
  std::string Url() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/ServerList.txt";
  }

 private:
  int fd_ = -1;
  int port_ = 0;
  std::thread thread_;
};

TEST(HttpFailure, BodyCutShortIsAnErrorNotAPartialText) {
  TruncatingServer server;
  EXPECT_THROW(HttpGetText(server.Url()), HttpError);
}

class Http : public ::testing::Test {
 protected:
  LoopbackServer server_;
};

TEST_F(Http, GetRemovesEveryCarriageReturnAndLineFeed) {
  EXPECT_EQ(HttpGetText(server_.Url("/crlf")), "ab");
  EXPECT_EQ(HttpGetText(server_.Url("/cr")), "ab");
  EXPECT_EQ(HttpGetText(server_.Url("/nolf")), "firstlast line");
  EXPECT_EQ(HttpGetText(server_.Url("/empty")), "");
}

TEST_F(Http, GetRemovesBreaksWhereverTheyFallInALongBody) {
  std::string expected = BrokenBody();
  std::erase_if(expected, [](char c) { return c == '\r' || c == '\n'; });
  const std::string text = HttpGetText(server_.Url("/breaks"));
  EXPECT_EQ(text.size(), expected.size());
  EXPECT_TRUE(text == expected);  // a 200 KB text is not worth printing
}

TEST_F(Http, GetReturnsAnErrorPageLikeAnyBody) {
  EXPECT_EQ(HttpGetText(server_.Url("/missing")), "nothere");
}

TEST_F(Http, GetFollowsRedirectsOverHttpOnlyAndNotForever) {
  EXPECT_EQ(HttpGetText(server_.Url("/moved")), "ab");
  EXPECT_EQ(HttpGetText(server_.Url("/twice")), "ab");
  for (const char* refused : {"/circle", "/to-file"}) {
    EXPECT_THROW(HttpGetText(server_.Url(refused)), HttpError) << refused;
  }
}

TEST_F(Http, PostDoesNotFollowARedirect) {
  std::string response;
  EXPECT_TRUE(HttpPostForm(server_.Url("/moved"), "x", response));
  EXPECT_EQ(response, "moved");
  EXPECT_EQ(server_.lastBody_, "");  // /echo never saw the form
}

TEST_F(Http, GetSendsTheProgramNameAsUserAgent) {
  EXPECT_EQ(HttpGetText(server_.Url("/agent")), "test_http_server_list");
}

TEST(HttpFailure, UnreachableServiceRaisesAnErrorWithADescription) {
  try {
    HttpGetText(UnreachableUrl());
    FAIL() << "no error raised";
  } catch (const HttpError& e) {
    EXPECT_NE(e.code(), 0);
    EXPECT_STRNE(e.what(), "");
  }
  std::string response = "untouched";
  EXPECT_FALSE(HttpPostForm(UnreachableUrl(), "a=b", response));
  EXPECT_EQ(response, "untouched");
}

TEST_F(Http, PostSendsTheBodyAsGivenAndReturnsTheAnswer) {
  std::string response;
  const std::string body = "Account=j doe&Version=1.3.0.0";  // not URL-encoded on purpose
  EXPECT_TRUE(HttpPostForm(server_.Url("/echo"), body, response));
  EXPECT_EQ(server_.lastBody_, body);
  EXPECT_EQ(server_.lastType_, "application/x-www-form-urlencoded");
  EXPECT_EQ(response, "got:" + body);
}

TEST_F(Http, PostResponseIsCutAtItsFirstZeroByte) {
  std::string response;
  EXPECT_TRUE(HttpPostForm(server_.Url("/zero"), "x", response));
  EXPECT_EQ(response, "before");
}

TEST_F(Http, PostWithErrorStatusStillSucceedsWithItsBody) {
  std::string response;
  EXPECT_TRUE(HttpPostForm(server_.Url("/error"), "x", response));
  EXPECT_EQ(response, "server broke");
}

TEST_F(Http, PostWithEmptyBodyLeavesTheResponseAsPassed) {
  std::string response = "as passed";
  EXPECT_TRUE(HttpPostForm(server_.Url("/empty"), "x", response));
  EXPECT_EQ(response, "as passed");
}

TEST(WriteToMemory, GrowsByEachBlockAndKeepsAZeroAfterTheData) {
  MemoryBuffer buffer;
  char first[] = {'a', 'b'};
  char second[] = {'c'};
  EXPECT_EQ(WriteToMemory(first, 1, 2, &buffer), 2u);
  EXPECT_EQ(WriteToMemory(second, 1, 1, &buffer), 1u);
  ASSERT_NE(buffer.data, nullptr);
  EXPECT_EQ(buffer.size, 3u);
  EXPECT_STREQ(buffer.data, "abc");
  std::free(buffer.data);
}

TEST(WriteToMemory, RefusesABodyBeyondTheLimitInsteadOfEndingTheProgram) {
  MemoryBuffer buffer;
  buffer.size = kHttpMaxBodyBytes;  // as if that much had arrived
  char more[] = {'x'};
  EXPECT_EQ(WriteToMemory(more, 1, 1, &buffer), 0u);
  EXPECT_EQ(buffer.data, nullptr);
}

}  // namespace
