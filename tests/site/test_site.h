#pragma once
// A small web server of ours that plays both geocaching sites for the tests, on 127.0.0.1,
// on a thread of its own (the GUI thread may be blocked while a page is fetched).
//
// National site ("sk", code page 1250): "/index.php" (login form "username", "password",
// "login-b"; a right login sets a session cookie), "/hladaj.php?query=GC..." (cache page with
// an encoded hint and a print link), "/geocache-tlac.php?..." (print page).
// International site ("com", UTF-8): "/login/default.aspx?RESET=Y&redir=..." (login form
// "myusername", "mypassword", "Button1"; success redirects to redir), "/Default.aspx",
// "/seek/cache_details.aspx?wp=GC...&Submit6=Go".
// Logged-in pages show the site's marker ("odhlásiť", "you are logged") and coordinates;
// logged-out pages show neither.
//
// Special cache codes (national site): GCNOHINT (no hint), GCNOPRINT (no print link), GCTAG
// (hint ending in markup), GCBIG (a large page), GCSLOW (never finishes), GCTEXT (plain text),
// GCFRAME (a frame set), GCFOTO (a style sheet "/styl.css" that places the picture
// "/obr/mapa.png", and the picture "/obr/spoiler.png" in the hint's paragraph).
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace testsite {

enum class PrintLink {
  TwoParameters,   // href="geocache-tlac.php?id=CODE&amp;lang=sk"
  NoAmpersand,     // href="geocache-tlac.php?id=CODE", nothing else on the line
  AmpersandLater,  // as NoAmpersand, then "&amp;" later on the same line
  None,            // no print link
};

// Texts the pages hold, for the tests' expectations (UTF-8).
inline constexpr const char* kUser = "jano";
inline constexpr const char* kPassword = "ťava7";
inline constexpr const char* kHintEncoded = "Cbq xnzrňbz cev ohxh";
inline constexpr const char* kHintDecoded = "Pod kameňom pri buku";
inline constexpr const char* kCoordinates = "N 48° 23.456 E 018° 24.123";
// GCFOTO's picture: a square of one colour, placed by the style sheet at this point of the page.
inline constexpr unsigned kPictureRgb = 0x20a040;
inline constexpr int kPictureLeft = 20, kPictureTop = 20, kPictureSize = 64;

class TestSite {
 public:
  // port 0: a free port.
  explicit TestSite(int port = 0);
  ~TestSite();
  TestSite(const TestSite&) = delete;
  TestSite& operator=(const TestSite&) = delete;

  int Port() const;
  std::string Root() const;  // "http://127.0.0.1:<port>"

  // ---- knobs (take effect with the next request)
  void SetPrintLink(PrintLink variant);
  // Login pages without the password field.
  void SetLoginFormBroken(bool broken);
  // Size of the GCBIG page in bytes (about; 1 MB by default).
  void SetBigPageSize(std::size_t bytes);
  // Pictures of noise (about 30 kB each, each its own) at the top of the GCBIG page; none by
  // default.
  void SetBigPageImages(int count);
  // Any other page, served as given (content type including its charset).
  void AddPage(const std::string& path, const std::string& contentType, const std::string& body);
  // Ends the GCSLOW pages now being served (the server's stop ends them too).
  void ReleaseSlowPages();

  // The size of the picture "/obr/NAME.png".
  std::size_t PictureBytes(const std::string& name);

  // ---- what was asked
  // Requests so far, each "GET /path?query" (the query as sent); the engine's own requests for
  // /favicon.ico are left out.
  std::vector<std::string> Requests() const;
  // Requests whose path (without the query) equals the path.
  int Hits(const std::string& path) const;
  // The Cookie header of the last request for the path (empty when none came).
  std::string LastCookieHeader(const std::string& path) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace testsite
