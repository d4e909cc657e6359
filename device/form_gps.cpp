// "Pošli kešky do GPS" (the menu item under "Súbor" and the tool button beside "Pošli
// WPT/GPX/LOC súbor do PDA"): the ticked caches of the opened cache file as GPX into the unit's GPX
// folder, and the pictures of their pages exported whole as MHT into its photo folder.
#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "app/mainform.h"
#include "cachelist/cachefile.h"
#include "device/form_progress.h"
#include "device/gpsgpx.h"
#include "device/gpsunit.h"
#include "device/handheld.h"
#include "device/link.h"
#include "device/transfer.h"
#include "device/worker.h"
#include "export/exportname.h"
#include "export/mhtml.h"
#include "export/mhtpictures.h"
#include "platform/codepage.h"
#include "platform/controls.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/state.h"
#include "platform/ui.h"

namespace {

const AnsiString kNoCacheFile = AnsiLiteral("Najprv otvorte WPT súbor.");
const AnsiString kCachesNotSent = AnsiLiteral("PDA nie je pripojené: kešky neboli poslané do GPS.");
const AnsiString kNothingToSend =
    AnsiLiteral("Žiadna z vybraných kešiek nemá v súbore súradnice: do GPS nebolo poslané nič.");

// The folder the bundled library serves now: the one the environment names wins, as there.
std::filesystem::path HandheldFolder(const QString& setting) {
  const char* forced = std::getenv("VIRESKA_PDA_ROOT");
  if (forced && *forced) return forced;
  return DeviceFolderFor(setting);
}

struct GpsTarget {
  std::optional<GpsUnit> unit;
  AnsiString folder;  // handheld path, ends in "\"
};

// Each folder of a handheld path, from the top down: a card without the unit's folders gets them.
void MakeDeviceFolders(const AnsiString& folder) {
  for (size_t at = folder.find('\\', 1); at != AnsiString::npos; at = folder.find('\\', at + 1))
    CeCreateDirectory(DeviceWidePath(folder.substr(0, at)).c_str(), nullptr);
}

AnsiString SentText(std::size_t caches, const AnsiString& folder,
                    const std::vector<AnsiString>& names, const std::optional<GpsUnit>& unit,
                    std::size_t missing) {
  AnsiString text = AnsiLiteral("Do GPS poslané kešky: ") + std::to_string(caches) + " (";
  for (size_t i = 0; i < names.size(); ++i) text += (i ? ", " : "") + folder + names[i];
  text += ").";
  if (unit && !unit->description.model.empty())
    text += AnsiLiteral(" Prístroj: ") + Utf8ToAnsi(unit->description.model) + ".";
  if (names.size() > 1)
    text += AnsiLiteral(" Prístroj vezme z jedného súboru najviac ") +
            std::to_string(kGpsCachesPerFile) + AnsiLiteral(" kešiek, preto sú rozdelené do ") +
            std::to_string(names.size()) + AnsiLiteral(" súborov.");
  if (missing > 0)
    text += AnsiLiteral(" Bez súradníc v súbore, neposlané: ") + std::to_string(missing) + ".";
  return text;
}

// A unit shows this many geocache photos at most.
constexpr std::size_t kGpsPictureLimit = 1000;

// The page of the cache exported whole: an MHT of the national page, its print page or the
// international page in the save folder.
std::optional<std::filesystem::path> WholePageOf(const AnsiString& saveFolder,
                                                 const AnsiString& name) {
  for (const auto& [site, page] : {std::pair{0, 0}, std::pair{0, 1}, std::pair{1, 0}}) {
    const std::filesystem::path file = platform::ToNativePath(
        platform::JoinPcPath(saveFolder, ExportName(name, site, page, 1).substr(1)));
    std::error_code error;
    if (std::filesystem::is_regular_file(file, error)) return file;
  }
  return std::nullopt;
}

// A unit shows JPEG only; a transparent picture is laid on white.
QByteArray Jpeg(const std::string& bytes) {
  QImage image;
  if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                          static_cast<int>(bytes.size())))
    return {};
  QImage flat(image.size(), QImage::Format_RGB32);
  flat.fill(Qt::white);
  QPainter(&flat).drawImage(0, 0, image);
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  if (!flat.save(&buffer, "JPG", 85)) return {};
  return jpeg;
}

void WriteTemporary(const QString& pcFile, const char* data, qint64 size) {
  QFile out(pcFile);
  if (!out.open(QIODevice::WriteOnly) || out.write(data, size) != size || !out.flush())
    throw PlatformError(FormatMessage1("Cannot create file %s", ToAnsi(pcFile)));
}

struct Photo {
  AnsiString folder, file;  // on the handheld
  QByteArray jpeg;
};

struct PhotoPlan {
  std::vector<Photo> photos;
  std::map<AnsiString, int> leftOut;  // pictures over the limit, by cache code
};

PhotoPlan PlanPhotos(const std::vector<CacheEntry>& caches, const AnsiString& saveFolder,
                     const AnsiString& photoFolder) {
  PhotoPlan plan;
  for (const CacheEntry& cache : caches) {
    const std::optional<std::filesystem::path> page = WholePageOf(saveFolder, cache.name);
    if (!page) continue;
    std::string mht;
    try {
      mht = platform::ReadWholeFile(*page, kMaxPageBytes * 2);
    } catch (const PlatformError&) {
      continue;  // a page that cannot be read sends no pictures, as one never exported
    }
    std::vector<std::string> taken[2];
    for (const MhtPicture& picture : MhtPictures(mht)) {
      if (plan.photos.size() >= kGpsPictureLimit) {
        ++plan.leftOut[cache.code];
        continue;
      }
      QByteArray jpeg = Jpeg(picture.bytes);
      if (jpeg.isEmpty()) continue;  // no picture a unit could show
      AnsiString folder = photoFolder + GpsPhotoFolder(cache.code, picture.spoiler);
      std::replace(folder.begin(), folder.end(), '/', '\\');
      const AnsiString name =
          Utf8ToAnsi(GpsPhotoName(picture.location, taken[picture.spoiler ? 1 : 0]));
      plan.photos.push_back({folder, folder + name, std::move(jpeg)});
    }
  }
  return plan;
}

AnsiString PhotosText(const PhotoPlan& plan, std::size_t copied) {
  AnsiString text = AnsiLiteral(" Obrázky do GPS: ") + std::to_string(copied);
  if (copied < plan.photos.size()) text += AnsiLiteral(" z ") + std::to_string(plan.photos.size());
  text += ".";
  if (plan.leftOut.empty()) return text;
  text += AnsiLiteral(" Prístroj ukáže najviac ") + std::to_string(kGpsPictureLimit) +
          AnsiLiteral(" obrázkov, vynechané:");
  for (const auto& [code, count] : plan.leftOut)
    text += " " + code + " (" + std::to_string(count) + ")";
  return text + ".";
}

}  // namespace

void TForm1::PolikekydoGPS1Click() {
  if (RefuseWhileTransferring()) return;
  if (WaypointFile.empty()) {
    platform::Ui().ShowMessage(kNoCacheFile);
    return;
  }
  // Everything the command acts on is taken now: the lists, the file, the folder.
  GpsGpxRequest request;
  // None ticked: every cache the lists show (all of them, or those the filter leaves).
  const platform::CheckListModel* entries = CheckListBox1->Entries();
  for (int pass = 0; pass < 2 && request.caches.empty(); ++pass)
    for (int i = 0; i < CheckListBox1->Count(); ++i)
      if (pass == 0 ? CheckListBox1->Checked(i) : entries->RowOf(i) >= 0)
        request.caches.push_back({CheckListBox1->ItemText(i), CheckListBox2->ItemText(i)});
  request.hints = ScannedHints;
  request.time = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
  const std::filesystem::path file = platform::ToNativePath(WaypointFile);
  const AnsiString base = platform::FromNativePath(file.stem());
  request.title = AnsiToUtf8(base);
  const std::vector<GpsGpxFile> files =
      WriteGpsGpx(platform::ReadWholeFile(file, kCacheFileMemoryLimit), request);
  std::size_t sent = 0;
  for (const GpsGpxFile& part : files) sent += part.caches;
  if (files.empty()) {
    platform::Ui().ShowMessage(kNothingToSend);
    return;
  }
  const std::vector<AnsiString> names = GpsGpxFileNames(base, files.size());

  ToolButton2Click();
  if (!CheckBox1->isEnabled()) {
    platform::Ui().ShowMessage(kCachesNotSent);
    return;
  }
  const std::filesystem::path root = HandheldFolder(Edit6->text());
  const AnsiString setting =
      ReadProfileString(SettingsFile(), "Kdeukladatdata", "GPS_GPX", AnsiString());
  auto target = std::make_shared<GpsTarget>();
  device::WaitOptions options;
  options.startLimitMs = kDeviceStartLimitMs;
  const device::WaitEnd end = device::Run(
      [root, setting, target](device::Job&) {
        target->unit = FindGpsUnit(root);
        target->folder = GpsGpxFolder(target->unit, setting, root);
        MakeDeviceFolders(target->folder);
      },
      options);
  if (end != device::WaitEnd::Finished) return;

  // The pictures of the caches written, when the folder is a unit that shows them. Their folders
  // are made while the link the connection opened is still up: each copy ends it.
  PhotoPlan plan;
  if (target->unit) {
    std::set<AnsiString> codes;
    for (const GpsGpxFile& part : files) codes.insert(part.codes.begin(), part.codes.end());
    std::vector<CacheEntry> caches;
    for (const CacheEntry& cache : request.caches)
      if (codes.erase(cache.code)) caches.push_back(cache);
    plan = PlanPhotos(caches, platform::EditText(Edit3),
                      GpsHandheldFolder(*target->unit, target->unit->description.photoFolder));
    std::vector<AnsiString> folders;
    for (const Photo& photo : plan.photos)
      if (folders.empty() || folders.back() != photo.folder) folders.push_back(photo.folder);
    if (!folders.empty() && device::Run(
                                [folders](device::Job&) {
                                  for (const AnsiString& folder : folders)
                                    MakeDeviceFolders(folder);
                                },
                                options) != device::WaitEnd::Finished)
      return;
  }

  // Built whole on the PC first: the unit only ever receives a finished file, at its own pace
  // (no upload time limit), each one written aside and put in place.
  QTemporaryDir temporary;
  if (!temporary.isValid()) throw PlatformError(AnsiLiteral("Neviem vytvoriť dočasný priečinok."));
  platform::Ui().SetCursor(platform::CursorShape::Hourglass);
  platform::DefaultCursorAtEnd cursor;
  for (size_t i = 0; i < files.size(); ++i) {
    const QString pcFile = temporary.filePath(QStringLiteral("gps%1.gpx").arg(i + 1));
    WriteTemporary(pcFile, files[i].bytes.data(), static_cast<qint64>(files[i].bytes.size()));
    const TransferEnd copied = CopyToDevice(ToAnsi(pcFile), target->folder + names[i],
                                            [this](std::uint64_t done, std::uint64_t total) {
                                              ShowTransferProgress(ProgressBar1, done, total);
                                            });
    if (copied != TransferEnd::Done) return;  // the copy said why, or was stopped
    DeviceFileWritten(target->folder + names[i]);
  }
  AnsiString text =
      SentText(sent, target->folder, names, target->unit, request.caches.size() - sent);
  // The caches are on the unit whatever becomes of the pictures: a failed or stopped picture
  // ends the pictures, and the message tells how many went.
  std::size_t photos = 0;
  for (; photos < plan.photos.size(); ++photos) {
    const QString pcFile = temporary.filePath(QStringLiteral("photo%1.jpg").arg(photos + 1));
    WriteTemporary(pcFile, plan.photos[photos].jpeg.constData(), plan.photos[photos].jpeg.size());
    if (CopyToDevice(ToAnsi(pcFile), plan.photos[photos].file) != TransferEnd::Done) break;
    ShowTransferProgress(ProgressBar1, photos + 1, plan.photos.size());
  }
  if (!plan.photos.empty() || !plan.leftOut.empty()) text += PhotosText(plan, photos);
  platform::Ui().ShowMessage(text);
}

void TForm1::ToolButton14Click() {
  PolikekydoGPS1Click();
}

void TForm1::WireGps() {
  connect(ToolButton14, &QToolButton::clicked, this, Reported(&TForm1::ToolButton14Click));
  connect(PolikekydoGPS1, &QAction::triggered, this, Reported(&TForm1::PolikekydoGPS1Click));
}
