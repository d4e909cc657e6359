#include "site/test_site.h"

#include <httplib.h>

#include <cctype>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>

#include <QBuffer>
#include <QColor>
#include <QImage>

#include "platform/codepage.h"

namespace testsite {

namespace {

constexpr const char* kNationalCookie = "SKSESSID";
constexpr const char* kInternationalCookie = "comsession";
constexpr const char* kHtml1250 = "text/html; charset=windows-1250";
constexpr const char* kHtmlUtf8 = "text/html; charset=utf-8";
constexpr std::size_t kSlowStartPadding = 2048;
constexpr std::size_t kSlowRestSize = 4096;

std::string CookieValue(const httplib::Request& request, const std::string& name) {
  const std::string header = request.get_header_value("Cookie");
  std::size_t pos = 0;
  while (pos < header.size()) {
    std::size_t end = header.find(';', pos);
    if (end == std::string::npos) end = header.size();
    std::string pair = header.substr(pos, end - pos);
    while (!pair.empty() && pair.front() == ' ') pair.erase(0, 1);
    if (pair.compare(0, name.size() + 1, name + "=") == 0) return pair.substr(name.size() + 1);
    pos = end + 1;
  }
  return {};
}

}  // namespace

struct TestSite::Impl {
  httplib::Server server;
  std::thread thread;
  int port = 0;

  mutable std::mutex mutex;
  std::condition_variable slowReleased;
  bool releaseSlow = false;
  PrintLink printLink = PrintLink::TwoParameters;
  bool loginBroken = false;
  std::size_t bigSize = 1 << 20;
  int bigImages = 0;
  std::map<std::string, std::string> pictures;  // made once each, under the lock
  std::map<std::string, std::pair<std::string, std::string>> extraPages;
  std::set<std::string> nationalSessions, internationalSessions;
  std::vector<std::string> requests;
  std::map<std::string, std::string> lastCookies;
  std::mt19937_64 random{std::random_device{}()};  // session tokens; used under the lock

  // A new session of one site; the server's threads share the generator.
  std::string NewSession(std::set<std::string>& sessions) {
    std::lock_guard lock(mutex);
    std::string token = std::to_string(random());
    sessions.insert(token);
    return token;
  }

  bool LoginBroken() {
    std::lock_guard lock(mutex);
    return loginBroken;
  }
  bool NationalLoggedIn(const httplib::Request& request) {
    std::lock_guard lock(mutex);
    return nationalSessions.count(CookieValue(request, kNationalCookie)) != 0;
  }
  bool InternationalLoggedIn(const httplib::Request& request) {
    std::lock_guard lock(mutex);
    return internationalSessions.count(CookieValue(request, kInternationalCookie)) != 0;
  }

  // ---- national site, written in UTF-8 here and served in code page 1250
  void National(httplib::Response& response, const std::string& title, bool loggedIn,
                const std::string& content) {
    std::string page =
        "<!DOCTYPE html>\n<html><head>\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1250\">\n"
        "<title>" +
        title + "</title>\n</head>\n<body>\n<div id=\"menu\"><a href=\"index.php\">Úvod</a> | ";
    page += loggedIn ? "Prihlásený: " + std::string(kUser) +
                           " <a href=\"index.php?logout=1\">odhlásiť</a>"
                     : std::string("<a href=\"index.php\">prihlásiť sa</a>");
    page += "</div>\n" + content + "</body></html>\n";
    response.set_content(Utf8ToAnsi(page), kHtml1250);
  }

  std::string NationalLoginForm() {
    const bool broken = LoginBroken();
    std::string form =
        "<form method=\"post\" action=\"index.php\">\n"
        "Meno: <input type=\"text\" name=\"username\"><br>\n";
    if (!broken) form += "Heslo: <input type=\"password\" name=\"password\"><br>\n";
    form += "<input type=\"submit\" name=\"login-b\" value=\"Prihlásiť\">\n</form>\n";
    return form;
  }

  static std::string PrintLinkLine(const std::string& code, PrintLink link) {
    switch (link) {
      case PrintLink::TwoParameters:
        return "<p><a href=\"geocache-tlac.php?id=" + code +
               "&amp;lang=sk\">Tlačová verzia</a></p>\n";
      case PrintLink::NoAmpersand:
        return "<p><a href=\"geocache-tlac.php?id=" + code + "\">Tlačová verzia</a></p>\n";
      case PrintLink::AmpersandLater:
        return "<p><a href=\"geocache-tlac.php?id=" + code +
               "\">Tlač</a> <a href=\"mapa.php\">Mapa &amp; okolie</a></p>\n";
      case PrintLink::None:
        break;
    }
    return {};
  }

  std::string Coordinates(bool loggedIn) {
    return loggedIn ? std::string("<p class=\"coords\">Súradnice: ") + kCoordinates + "</p>\n"
                    : std::string("<p>Na zobrazenie súradníc sa musíte prihlásiť.</p>\n");
  }

  void NationalCachePage(const httplib::Request& request, httplib::Response& response) {
    const std::string code = request.get_param_value("query");
    const bool loggedIn = NationalLoggedIn(request);
    PrintLink link;
    std::size_t big;
    {
      std::lock_guard lock(mutex);
      link = printLink;
      big = bigSize;
    }
    if (code == "GCTEXT") {
      response.set_content(Utf8ToAnsi("Keška GCTEXT\nPomôcka: decrypt=y</A>]<BR>Cbq\n"),
                           "text/plain; charset=windows-1250");
      return;
    }
    if (code == "GCFRAME") {
      std::string page =
          "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
          "charset=windows-1250\">"
          "<title>Rámy</title></head>\n<frameset cols=\"30%,70%\">\n<frame src=\"menu.php\">\n"
          "<frame src=\"hladaj.php?query=GCZM001\">\n</frameset></html>\n";
      response.set_content(Utf8ToAnsi(page), kHtml1250);
      return;
    }
    if (code == "GCSLOW") {
      SlowPage(response);
      return;
    }
    if (code == "GCNOPRINT") link = PrintLink::None;
    std::string content =
        "<h1>Keška " + code + "</h1>\n<p>Kód: " + code + "</p>\n" + Coordinates(loggedIn);
    const std::string decrypt =
        "[<a href=\"hladaj.php?query=" + code + "&amp;decrypt=y\">dekódovať</a>]<br>";
    if (code == "GCFOTO") {
      content +=
          "<link rel=\"stylesheet\" href=\"styl.css\"><img id=\"mapa\" src=\"obr/mapa.png\">\n"
          "<p class=\"hint\">Pomôcka: <img src=\"obr/spoiler.png\"> " +
          decrypt + kHintEncoded + "\n</p>\n";
    } else if (code == "GCTAG") {
      content += "<table class=\"hint\"><tr><td>Pomôcka: " + decrypt +
                 "Mn xberal fgebzh<span class=\"pbqr\">!</span></td></tr></table>\n";
    } else if (code != "GCNOHINT") {
      content += "<table class=\"hint\"><tr><td>Pomôcka: " + decrypt + kHintEncoded +
                 "\n</td></tr></table>\n";
    }
    content += PrintLinkLine(code, link);
    content += "<p>Popis kešky: pekné miesto pri hrade.</p>\n";
    if (code == "GCBIG") {
      int images;
      {
        std::lock_guard lock(mutex);
        images = bigImages;
      }
      for (int i = 1; i <= images; ++i)
        content += "<img src=\"obr/big" + std::to_string(i) + ".png\">\n";
      const std::string para =
          "<p>Dlhý popis kešky, odsek s textom na zaplnenie stránky. ABCDEFGHIJ</p>\n";
      while (content.size() < big) content += para;
    }
    National(response, "Keška " + code, loggedIn, content);
  }

  void SlowPage(httplib::Response& response) {
    // Enough for the engine to commit and show the document while the rest never comes.
    const std::string start = Utf8ToAnsi(
        "<html><head><title>Pomaly</title></head><body><p>Stránka sa načítava...</p>\n<!-- " +
        std::string(kSlowStartPadding, '.') + " -->\n");
    const std::string end = "</body></html>\n";
    response.set_content_provider(
        start.size() + kSlowRestSize, kHtml1250,
        [this, start, end](std::size_t offset, std::size_t, httplib::DataSink& sink) {
          if (offset == 0) return sink.write(start.data(), start.size());
          std::unique_lock lock(mutex);
          if (!slowReleased.wait_for(lock, std::chrono::milliseconds(100),
                                     [this] { return releaseSlow; }))
            return true;
          lock.unlock();
          std::string rest = end + std::string(kSlowRestSize - end.size(), ' ');
          return sink.write(rest.data(), rest.size());
        });
  }

  // "mapa" and "spoiler": squares of one colour; any other name: noise seeded by the name.
  std::string Picture(const std::string& name) {
    std::lock_guard lock(mutex);
    auto made = pictures.find(name);
    if (made != pictures.end()) return made->second;
    QImage image;
    if (name == "mapa" || name == "spoiler") {
      image = QImage(kPictureSize, kPictureSize, QImage::Format_RGB32);
      image.fill(QColor::fromRgb(name == "mapa" ? kPictureRgb : 0xc03030));
    } else {
      constexpr int kNoiseSide = 100;
      image = QImage(kNoiseSide, kNoiseSide, QImage::Format_RGB32);
      std::mt19937 noise(static_cast<unsigned>(std::hash<std::string>{}(name)));
      for (int y = 0; y < kNoiseSide; ++y)
        for (int x = 0; x < kNoiseSide; ++x) image.setPixel(x, y, noise() & 0xffffff);
    }
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    image.save(&png, "PNG");
    return pictures[name] = png.data().toStdString();
  }

  void NationalPrintPage(const httplib::Request& request, httplib::Response& response) {
    const bool loggedIn = NationalLoggedIn(request);
    const std::string id = request.get_param_value("id");
    National(response, "Tlač " + id, loggedIn,
             "<h1>Tlačová verzia kešky " + id + "</h1>\n" + Coordinates(loggedIn) +
                 "<p>Popis kešky na tlač.</p>\n");
  }

  void NationalIndex(const httplib::Request& request, httplib::Response& response) {
    if (request.has_param("logout")) {
      {
        std::lock_guard lock(mutex);
        nationalSessions.erase(CookieValue(request, kNationalCookie));
      }
      National(response, "Geocaching", false, "<p>Boli ste odhlásený.</p>\n" + NationalLoginForm());
      return;
    }
    const bool loggedIn = NationalLoggedIn(request);
    National(response, "Geocaching", loggedIn,
             loggedIn ? std::string("<p>Vitajte.</p>\n")
                      : "<h2>Prihlásenie</h2>\n" + NationalLoginForm());
  }

  void NationalLogin(const httplib::Request& request, httplib::Response& response) {
    // The form posts in the page's code page.
    const bool right = request.has_param("login-b") &&
                       request.get_param_value("username") == Utf8ToAnsi(kUser) &&
                       request.get_param_value("password") == Utf8ToAnsi(kPassword);
    if (!right) {
      National(response, "Geocaching", NationalLoggedIn(request),
               "<p>Nesprávne meno alebo heslo.</p>\n" + NationalLoginForm());
      return;
    }
    const std::string token = NewSession(nationalSessions);
    response.set_header("Set-Cookie", std::string(kNationalCookie) + "=" + token +
                                          "; Path=/; Max-Age=86400; HttpOnly");
    National(response, "Geocaching", true, "<p>Vitajte na stránke.</p>\n");
  }

  // ---- international site, UTF-8
  void International(httplib::Response& response, const std::string& title, bool loggedIn,
                     const std::string& content) {
    std::string page = "<!DOCTYPE html>\n<html><head>\n<meta charset=\"utf-8\">\n<title>" + title +
                       "</title>\n</head>\n<body>\n<div id=\"header\">";
    page += loggedIn ? "Hello, " + std::string(kUser) +
                           ": you are logged in. <a href=\"/logout.aspx\">Log out</a>"
                     : std::string("<a href=\"/login/default.aspx\">Log in</a>");
    page += "</div>\n" + content + "</body></html>\n";
    response.set_content(page, kHtmlUtf8);
  }

  std::string InternationalLoginForm(const httplib::Request& request) {
    std::string action =
        "/login/default.aspx?RESET=Y&amp;redir=" + Escape(request.get_param_value("redir"));
    const bool broken = LoginBroken();
    std::string form = "<form method=\"post\" action=\"" + action +
                       "\">\n"
                       "User name: <input type=\"text\" name=\"myusername\"><br>\n";
    if (!broken) form += "Password: <input type=\"password\" name=\"mypassword\"><br>\n";
    form += "<input type=\"submit\" name=\"Button1\" value=\"Login\">\n</form>\n";
    return form;
  }

  static std::string Escape(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
      if (std::isalnum(c) || c == '.' || c == '-' || c == '_') {
        out += static_cast<char>(c);
      } else {
        out += '%';
        out += hex[c >> 4];
        out += hex[c & 15];
      }
    }
    return out;
  }

  void InternationalLoginPage(const httplib::Request& request, httplib::Response& response) {
    International(response, "Login", InternationalLoggedIn(request),
                  InternationalLoginForm(request));
  }

  void InternationalLogin(const httplib::Request& request, httplib::Response& response) {
    const bool right = request.has_param("Button1") &&
                       request.get_param_value("myusername") == kUser &&
                       request.get_param_value("mypassword") == kPassword;
    if (!right) {
      International(
          response, "Login", InternationalLoggedIn(request),
          "<p>The username or password is wrong.</p>\n" + InternationalLoginForm(request));
      return;
    }
    const std::string token = NewSession(internationalSessions);
    response.set_header("Set-Cookie", std::string(kInternationalCookie) + "=" + token +
                                          "; Path=/; Max-Age=86400; HttpOnly");
    std::string target = request.get_param_value("redir");
    response.set_redirect(target.empty() ? "/Default.aspx" : target);
  }

  void InternationalCachePage(const httplib::Request& request, httplib::Response& response) {
    const std::string code = request.get_param_value("wp");
    const bool loggedIn = InternationalLoggedIn(request);
    // Lines the national scan would act on: this site must take nothing from them.
    std::string content =
        "<h1>Cache " + code + "</h1>\n" +
        (loggedIn ? std::string("<p class=\"coords\">Coordinates: ") + kCoordinates + "</p>\n"
                  : std::string("<p>Log in to see the coordinates.</p>\n")) +
        "<p>Hint: [<a href=\"cache_details.aspx?wp=" + code + "&amp;decrypt=y\">decrypt</a>]<br>" +
        kHintEncoded + "\n</p>\n<p><a href=\"geocache-tlac.php?id=" + code +
        "&amp;lang=en\">Print</a></p>\n";
    International(response, "Cache " + code, loggedIn, content);
  }

  void Log(const httplib::Request& request) {
    // The engine asks for the icon on its own schedule, at times after the page is complete.
    if (request.path == "/favicon.ico") return;
    std::lock_guard lock(mutex);
    std::string line = request.method + " " + request.target;
    requests.push_back(line);
    lastCookies[request.path] = request.get_header_value("Cookie");
  }
};

TestSite::TestSite(int port) : impl_(std::make_unique<Impl>()) {
  Impl& s = *impl_;
  using httplib::Request;
  using httplib::Response;
  s.server.set_keep_alive_timeout(1);
  s.server.set_pre_routing_handler([&s](const Request& request, Response& response) {
    s.Log(request);
    std::lock_guard lock(s.mutex);
    auto page = s.extraPages.find(request.path);
    if (page == s.extraPages.end()) return httplib::Server::HandlerResponse::Unhandled;
    response.set_content(page->second.second, page->second.first.c_str());
    return httplib::Server::HandlerResponse::Handled;
  });
  s.server.Get("/index.php", [&s](const Request& q, Response& r) { s.NationalIndex(q, r); });
  s.server.Post("/index.php", [&s](const Request& q, Response& r) { s.NationalLogin(q, r); });
  s.server.Get("/hladaj.php", [&s](const Request& q, Response& r) { s.NationalCachePage(q, r); });
  s.server.Get("/geocache-tlac.php",
               [&s](const Request& q, Response& r) { s.NationalPrintPage(q, r); });
  s.server.Get(R"(/obr/(\w+)\.png)", [&s](const Request& q, Response& r) {
    r.set_content(s.Picture(q.matches[1]), "image/png");
  });
  s.server.Get("/styl.css", [](const Request&, Response& r) {
    r.set_content("#mapa { position: absolute; left: " + std::to_string(kPictureLeft) +
                      "px; top: " + std::to_string(kPictureTop) +
                      "px; width: " + std::to_string(kPictureSize) +
                      "px; height: " + std::to_string(kPictureSize) + "px; }\n",
                  "text/css");
  });
  s.server.Get("/menu.php", [&s](const Request& q, Response& r) {
    s.National(r, "Menu", s.NationalLoggedIn(q), "<p>Menu</p>\n");
  });
  s.server.Get("/mapa.php", [&s](const Request& q, Response& r) {
    s.National(r, "Mapa", s.NationalLoggedIn(q), "<p>Mapa</p>\n");
  });
  s.server.Get("/login/default.aspx",
               [&s](const Request& q, Response& r) { s.InternationalLoginPage(q, r); });
  s.server.Post("/login/default.aspx",
                [&s](const Request& q, Response& r) { s.InternationalLogin(q, r); });
  s.server.Get("/Default.aspx", [&s](const Request& q, Response& r) {
    s.International(r, "Geocaching", s.InternationalLoggedIn(q), "<p>Welcome.</p>\n");
  });
  s.server.Get("/logout.aspx", [&s](const Request& q, Response& r) {
    {
      std::lock_guard lock(s.mutex);
      s.internationalSessions.erase(CookieValue(q, kInternationalCookie));
    }
    s.International(r, "Geocaching", false, "<p>Logged out.</p>\n");
  });
  s.server.Get("/seek/cache_details.aspx",
               [&s](const Request& q, Response& r) { s.InternationalCachePage(q, r); });

  s.port = port == 0 ? s.server.bind_to_any_port("127.0.0.1")
                     : (s.server.bind_to_port("127.0.0.1", port) ? port : -1);
  if (s.port <= 0) throw std::runtime_error("The test site cannot listen on 127.0.0.1");
  s.thread = std::thread([&s] { s.server.listen_after_bind(); });
}

TestSite::~TestSite() {
  ReleaseSlowPages();
  impl_->server.stop();
  if (impl_->thread.joinable()) impl_->thread.join();
}

int TestSite::Port() const {
  return impl_->port;
}

std::string TestSite::Root() const {
  return "http://127.0.0.1:" + std::to_string(impl_->port);
}

void TestSite::SetPrintLink(PrintLink variant) {
  std::lock_guard lock(impl_->mutex);
  impl_->printLink = variant;
}

void TestSite::SetLoginFormBroken(bool broken) {
  std::lock_guard lock(impl_->mutex);
  impl_->loginBroken = broken;
}

void TestSite::SetBigPageSize(std::size_t bytes) {
  std::lock_guard lock(impl_->mutex);
  impl_->bigSize = bytes;
}

void TestSite::SetBigPageImages(int count) {
  std::lock_guard lock(impl_->mutex);
  impl_->bigImages = count;
}

void TestSite::AddPage(const std::string& path, const std::string& contentType,
                       const std::string& body) {
  std::lock_guard lock(impl_->mutex);
  impl_->extraPages[path] = {contentType, body};
}

void TestSite::ReleaseSlowPages() {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->releaseSlow = true;
  }
  impl_->slowReleased.notify_all();
}

std::size_t TestSite::PictureBytes(const std::string& name) {
  return impl_->Picture(name).size();
}

std::vector<std::string> TestSite::Requests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->requests;
}

int TestSite::Hits(const std::string& path) const {
  std::lock_guard lock(impl_->mutex);
  int hits = 0;
  for (const std::string& line : impl_->requests) {
    std::size_t start = line.find(' ') + 1;
    std::size_t end = line.find('?', start);
    if (line.compare(start, end == std::string::npos ? std::string::npos : end - start, path) == 0)
      ++hits;
  }
  return hits;
}

std::string TestSite::LastCookieHeader(const std::string& path) const {
  std::lock_guard lock(impl_->mutex);
  auto found = impl_->lastCookies.find(path);
  return found == impl_->lastCookies.end() ? std::string() : found->second;
}

}  // namespace testsite
