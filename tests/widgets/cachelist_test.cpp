#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <cstdio>
#include <fstream>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/qtui.h"
#include "support/form_fixture.h"

namespace {

class CacheList : public FormTest {
 protected:
  void Load(const std::string& bytes, const char* name = "caches.wpt") {
    auto file = dir / name;
    TempDir::Write(file, bytes);
    ui.openAnswers.push_back(platform::FromNativePath(file));
    form->ToolButton10Click();
  }
  void ClickCheckBox(TCheckListBox* list, int row) {
    QRect r = list->ItemRect(row);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 10, r.center().y()));
  }
  const std::string kFile =
      "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\ngarmin\r\n"
      "1,Hradn\xE1 studna,48,18,,0,1,3,0,65535,x (GC1),0\r\n"
      "2,Pod lesom,48,18,,0,1,3,0,65535,y (GC2),0\r\n"
      "3,Bez k\xF3"
      "du,48,18,,0,1,3,0,65535,z (Multi),0\r\n"
      "4,Tri,48,18,,0,1,3,0,65535,y (GC4),0\r\n"
      "5,\xC8tyri,48,18,,0,1,3,0,65535,y (GC5),0\r\n";
};

TEST_F(CacheList, OpenFillsBothListsInFileOrderAndTheTextTab) {
  Load(kFile);
  ASSERT_EQ(form->CheckListBox1->Count(), 4);
  ASSERT_EQ(form->CheckListBox2->Count(), 4);
  EXPECT_EQ(form->CheckListBox1->ItemText(0), "Hradn\xE1 studna");
  EXPECT_EQ(form->CheckListBox1->ItemText(3), "\xC8tyri");
  EXPECT_EQ(form->CheckListBox2->ItemText(2), "GC4");
  EXPECT_EQ(form->Memo2->toPlainText(),
            FromAnsi(kFile).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  for (int i = 0; i < 4; ++i) {
    EXPECT_FALSE(form->CheckListBox1->Checked(i));
    EXPECT_FALSE(form->CheckListBox1->Selected(i));
  }
}

TEST_F(CacheList, GpxAndLocFilesListTheirCachesIndexAlignedWithConvertedNames) {
  const std::string gpx =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<gpx xmlns=\"http://www.topografix.com/GPX/1/0\" version=\"1.0\">\n"
      "<wpt lat=\"48.1\" lon=\"18.1\"><name>GCZM001</name><desc>Studňa by Jano, Multi</desc>\n"
      "<gs:cache xmlns:gs=\"http://www.groundspeak.com/cache/1/0/1\"><gs:name>Hradná "
      "studňa</gs:name>"
      "</gs:cache></wpt>\n"
      "<wpt lat=\"48.1\" lon=\"18.1\"><name>PKZM001</name><desc>Parkovisko</desc></wpt>\n"
      "<wpt lat=\"48.1\" lon=\"18.1\"><name>GCZM002</name><urlname>Čajovňa 東京</urlname></wpt>\n"
      "</gpx>\n";
  // The dialog starts on all three formats (its first filter), each pattern written once.
  EXPECT_EQ(platform::QtNameFilters(form->OpenDialog2.Filter),
            QStringLiteral("WPT, GPX a LOC (*.wpt *.gpx *.loc);;Waypoints oziexplorer (*.wpt);;"
                           "GPX (*.gpx);;LOC (*.loc);;Všetky súbory (*)"));
  EXPECT_EQ(form->OpenDialog2.DefaultExt, "*.wpt");

  Load(gpx, "caches.gpx");
  ASSERT_EQ(form->CheckListBox1->Count(), 2);
  ASSERT_EQ(form->CheckListBox2->Count(), 2);
  EXPECT_EQ(form->CheckListBox1->ItemText(0),
            "Hradn\xE1 stud\xF2"
            "a");
  EXPECT_EQ(form->CheckListBox2->ItemText(0), "GCZM001");
  EXPECT_EQ(form->CheckListBox1->ItemText(1),
            "\xC8"
            "ajov\xF2"
            "a ??");
  EXPECT_EQ(form->CheckListBox2->ItemText(1), "GCZM002");
  EXPECT_EQ(form->Memo2->toPlainText(), QString::fromUtf8(gpx.data(), gpx.size()));
  EXPECT_TRUE(ui.shown.empty());

  Load("<loc><waypoint><name id=\"GCZM003\"><![CDATA[Pod lesom by Jano]]></name></waypoint></loc>",
       "caches.loc");
  ASSERT_EQ(form->CheckListBox1->Count(), 1);
  EXPECT_EQ(form->CheckListBox1->ItemText(0), "Pod lesom");
  EXPECT_EQ(form->CheckListBox2->ItemText(0), "GCZM003");

  // Cut off in the parking waypoint: the cache before it stays, and the user learns where.
  Load(gpx.substr(0, gpx.find("PKZM001")), "cut.gpx");
  ASSERT_EQ(form->CheckListBox1->Count(), 1);
  EXPECT_EQ(form->CheckListBox2->Count(), 1);
  EXPECT_EQ(form->CheckListBox2->ItemText(0), "GCZM001");
  EXPECT_EQ(ui.Messages(), std::vector<AnsiString>{Utf8ToAnsi(
                               "Súbor nie je správne XML: chyba na riadku 5, v stĺpci 33. Zoznam "
                               "obsahuje kešky pred chybou.")});
}

TEST_F(CacheList, UnreadableFileIsReportedAndNothingChanges) {
  Load(kFile, "Moje kešky.wpt");
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Vireska V 1.2 – Moje kešky.wpt"));
  ui.openAnswers.push_back("/no/such/file.wpt");
  EXPECT_THROW(form->ToolButton10Click(), PlatformError);
  const AnsiString missing =
      Utf8ToAnsi("Súbor /no/such/file.wpt sa nedá otvoriť: súbor neexistuje.");
  try {
    ui.openAnswers.push_back("/no/such/file.wpt");
    form->ToolButton10Click();
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.Message(), missing);
  }
  EXPECT_EQ(form->CheckListBox1->Count(), 4);
  EXPECT_TRUE(form->Memo2->toPlainText().startsWith(QStringLiteral("OziExplorer")));

  // Clicked, the failure ends the command with its message and the window goes on.
  ui.openAnswers.push_back("/no/such/file.wpt");
  QTest::mouseClick(form->ToolButton10, Qt::LeftButton);
  EXPECT_EQ(ui.Messages(), std::vector<AnsiString>{missing});
  EXPECT_EQ(form->CheckListBox1->Count(), 4);
  QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
  EXPECT_TRUE(form->CheckListBox1->Checked(3));

  // A file of no caches at all (a picture, an empty file) is refused: what was there stays,
  // ticks, text and the name in the title included.
  ui.shown.clear();
  Load(std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), "foto.wpt");  // bytes: a PNG header
  Load("", "prazdny.gpx");
  EXPECT_EQ(ui.Messages(),
            std::vector<AnsiString>(2, Utf8ToAnsi("Súbor neobsahuje žiadne kešky.")));
  EXPECT_EQ(form->CheckListBox1->Count(), 4);
  EXPECT_TRUE(form->CheckListBox2->Checked(3));
  EXPECT_TRUE(form->Memo2->toPlainText().startsWith(QStringLiteral("OziExplorer")));
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Vireska V 1.2 – Moje kešky.wpt"));
}

// The filter narrows both lists to the same entries: what a row shows, ticks and selection still
// belong to the entry, and a hidden tick stays for the batch.
TEST_F(CacheList, TheFilterNarrowsBothListsTogetherAndKeepsEveryEntrysMarks) {
  Load(kFile);
  form->show();
  form->CheckListBox1->SetChecked(2, true);
  form->CheckListBox2->SetChecked(2, true);
  EXPECT_EQ(form->Label21->text(), QStringLiteral("Kešiek: 4, označených: 1"));

  // Case and diacritics do not matter; the code counts as much as the name.
  form->Edit21->setText(QStringLiteral("CTYRI"));
  for (TCheckListBox* list : {form->CheckListBox1, form->CheckListBox2}) {
    ASSERT_EQ(list->Entries()->rowCount(), 1);
    EXPECT_EQ(list->Count(), 4);
    EXPECT_TRUE(list->ItemRect(2).isEmpty());
  }
  EXPECT_TRUE(form->CheckListBox1->Checked(2));
  EXPECT_EQ(form->Label21->text(), QStringLiteral("Zobrazených: 1 z 4, označených: 1"));
  QApplication::processEvents();
  ClickCheckBox(form->CheckListBox1, 3);  // the one row shown is entry 3
  EXPECT_TRUE(form->CheckListBox2->Checked(3));
  EXPECT_FALSE(form->CheckListBox2->Checked(0));
  EXPECT_EQ(form->Label21->text(), QStringLiteral("Zobrazených: 1 z 4, označených: 2"));

  form->Edit21->setText(QStringLiteral("gc2"));
  EXPECT_EQ(form->CheckListBox2->Entries()->rowCount(), 1);
  EXPECT_EQ(form->CheckListBox1->ItemText(form->CheckListBox1->Entries()->EntryOf(0)), "Pod lesom");
  // A command may select a hidden entry; the selection then shows once the filter lets it.
  form->CheckListBox1->SetSelected(2, true);
  EXPECT_TRUE(form->CheckListBox1->Selected(2));
  EXPECT_FALSE(form->CheckListBox1->Selected(1));
  form->Edit21->clear();
  EXPECT_EQ(form->CheckListBox1->Entries()->rowCount(), 4);
  EXPECT_TRUE(
      form->CheckListBox1->selectionModel()->isSelected(form->CheckListBox1->Entries()->index(2)));
  EXPECT_TRUE(form->CheckListBox1->Checked(2));
  EXPECT_TRUE(form->CheckListBox1->Checked(3));

  // A name the panel cuts shows whole in a tooltip; elsewhere the list says what the batch takes.
  Load("h1\nh2\nh3\nh4\n" +
       Utf8ToAnsi("1,Veľmi dlhý názov kešky ktorý sa do úzkeho panelu nikdy nezmestí celý,48,18,,0,"
                  "1,3,0,65535,x (GC7),0\n2,Krátka,48,18,,0,1,3,0,65535,y (GC8),0\n"));
  QApplication::processEvents();
  auto tipAt = [&](int entry) {
    QToolTip::hideText();
    const QPoint at = form->CheckListBox1->ItemRect(entry).center();
    QHelpEvent help(QEvent::ToolTip, at, form->CheckListBox1->viewport()->mapToGlobal(at));
    QApplication::sendEvent(form->CheckListBox1->viewport(), &help);
    return QToolTip::text();
  };
  EXPECT_EQ(tipAt(0), FromAnsi(form->CheckListBox1->ItemText(0)));
  EXPECT_TRUE(tipAt(1).contains(QStringLiteral("aj tie, ktoré filter práve skrýva")));
}

TEST_F(CacheList, TheTextTabSelectsAndCopiesLikeATextControl) {
  Load(kFile);
  form->show();
  form->PageControl1->setCurrentWidget(form->TabSheet3);
  QApplication::processEvents();
  platform::TTextView* memo = form->Memo2;
  QWidget* view = memo->viewport();
  // A double click takes the code, a drag from there to the next line what lies between.
  const QRect line4 = memo->LineRect(4);
  const int code = static_cast<int>(memo->Line(4).indexOf(QStringLiteral("GC1")));
  const QPoint inCode(
      line4.left() + QFontMetrics(memo->font()).horizontalAdvance(memo->Line(4).left(code + 1)),
      line4.center().y());
  QTest::mouseDClick(view, Qt::LeftButton, {}, inCode);
  EXPECT_EQ(memo->SelectedText(), QStringLiteral("GC1"));
  QTest::keyClick(memo, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("GC1"));

  QTest::mousePress(view, Qt::LeftButton, {}, QPoint(line4.left() + 1, line4.center().y()));
  QTest::mouseMove(view, QPoint(memo->LineRect(5).left() + 1, memo->LineRect(5).center().y()));
  QTest::mouseRelease(view, Qt::LeftButton, {},
                      QPoint(memo->LineRect(5).left() + 1, memo->LineRect(5).center().y()));
  EXPECT_EQ(memo->SelectedText(), memo->Line(4) + QLatin1Char('\n'));
  QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(memo, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), memo->toPlainText());
  // Assistive technology sees the same selection.
  int start = -1, end = -1;
  QAccessible::queryAccessibleInterface(memo)->textInterface()->selection(0, &start, &end);
  EXPECT_EQ(end - start, memo->CharacterCount());
}

TEST_F(CacheList, AFileTooLargeForWaypointsIsRefusedUnread) {
  Load(kFile);
  // A device without a size, read without end, is refused at the limit too.
  EXPECT_THROW(platform::ReadWholeFile("/dev/zero", 1 << 20), platform::FileTooLarge);
  auto big = dir / "big.wpt";
  {
    std::ofstream out(big, std::ios::binary);
    out << "1,Hrad,0,0 (GC1)\r\n";
  }
  std::filesystem::resize_file(big, (1ull << 30) + 1);  // sparse: nothing is written
  ui.openAnswers.push_back(platform::FromNativePath(big));
  form->ToolButton10Click();
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0],
            FormatMessage1(Utf8ToAnsi("Súbor %s je príliš veľký (otvorený by zabral viac ako 1024 "
                                      "MiB pamäte), neotváram ho."),
                           platform::FromNativePath(big)));
  EXPECT_EQ(form->CheckListBox1->Count(), 4);
  EXPECT_TRUE(form->Memo2->toPlainText().startsWith(QStringLiteral("OziExplorer")));
}

TEST_F(CacheList, TheTextTabShowsEachLineBreakAsOneAndReadsLikeATextControl) {
  form->SetWaypointText("a\r\nb\rc\n\xC8\r\n");  // bytes: a code page 1250 letter
  platform::TTextView* memo = form->Memo2;
  EXPECT_EQ(memo->LineCount(), 5);  // the last break starts an empty line
  EXPECT_EQ(memo->toPlainText(), QStringLiteral("a\nb\nc\n\u010C\n"));
  EXPECT_EQ(memo->Text(2, 5), QStringLiteral("b\nc"));
  EXPECT_EQ(memo->LineAt(6), 3);
  // A reader gets the same text, line by line, and cannot change it.
  QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(memo);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->text(QAccessible::Name), QStringLiteral("WPT"));
  EXPECT_TRUE(reader->state().readOnly);
  QAccessibleTextInterface* text = reader->textInterface();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->characterCount(), 8);
  EXPECT_EQ(text->text(0, 8), memo->toPlainText());
  int start = 0, end = 0;
  EXPECT_EQ(text->textAtOffset(6, QAccessible::LineBoundary, &start, &end),
            QStringLiteral("\u010C\n"));
  EXPECT_EQ(start, 6);
  EXPECT_EQ(end, 8);
}

TEST_F(CacheList, TheTextTabDecodesEachLineFromTheFilesOwnEncodingAndCountsCharacters) {
  Load(
      "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<gpx>\r\n<wpt><name>GC1</name>"
      "<urlname>\x8E"
      "a\x9E"
      "a</urlname></wpt>\r\n</gpx>",
      "caches.gpx");
  platform::TTextView* memo = form->Memo2;
  EXPECT_EQ(memo->LineCount(), 4);
  EXPECT_EQ(memo->Line(2), QStringLiteral("<wpt><name>GC1</name><urlname>Žaža</urlname></wpt>"));

  // UTF-8 behind its mark: the mark is not shown, offsets count characters, not bytes.
  const std::string loc = "<loc>\n<waypoint><name id=\"GC1\">Čaj ťava 😀</name></waypoint>\n</loc>";
  Load("\xEF\xBB\xBF" + loc, "caches.loc");
  const QString text = QString::fromUtf8(loc.data(), static_cast<qsizetype>(loc.size()));
  EXPECT_EQ(memo->toPlainText(), text);
  EXPECT_EQ(memo->CharacterCount(), text.size());
  EXPECT_EQ(memo->LineOffset(2), text.indexOf(QStringLiteral("</loc>")));
  EXPECT_EQ(memo->LineAt(text.indexOf(QStringLiteral("</loc>")) - 1), 1);
  int start = 0, end = 0;
  QAccessibleTextInterface* reader = QAccessible::queryAccessibleInterface(memo)->textInterface();
  EXPECT_EQ(reader->textAtOffset(text.indexOf(QStringLiteral("ťava")), QAccessible::LineBoundary,
                                 &start, &end),
            text.mid(6, text.indexOf(QStringLiteral("</loc>")) - 6));
}

// Ctrl+O opens a file; the short captions and the lists tell a screen reader what they are.
TEST_F(CacheList, CtrlOOpensAFileAndControlsSayWhatTheyAre) {
  form->show();
  QApplication::setActiveWindow(form.get());
  TempDir::Write(dir / "caches.wpt", kFile);
  ui.openAnswers.push_back(platform::FromNativePath(dir / "caches.wpt"));
  QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(form->CheckListBox1->Count(), 4);

  EXPECT_EQ(form->CheckListBox1->accessibleName(), QStringLiteral("Kešky podľa názvov"));
  for (QWidget* control : std::initializer_list<QWidget*>{
           form->CheckBox1, form->SpeedButton4, form->SpeedButton7, form->SpeedButton11}) {
    QAccessibleInterface* named = QAccessible::queryAccessibleInterface(control);
    const QString caption = control->property("text").toString();
    EXPECT_FALSE(control->toolTip().isEmpty()) << caption.toStdString();
    EXPECT_GT(named->text(QAccessible::Name).size(), caption.size() + 3) << caption.toStdString();
    EXPECT_TRUE(named->text(QAccessible::Name).startsWith(caption));
    EXPECT_EQ(named->text(QAccessible::Description), control->objectName());
  }
  EXPECT_TRUE(form->SpeedButton7->toolTip().contains(QStringLiteral("Zapne sa")));
}

TEST_F(CacheList, CancelKeepsListsAndText) {
  Load(kFile);
  form->SpeedButton1Click();
  ui.openAnswers.push_back(std::nullopt);
  form->OtvorWPTsbor2Click();
  EXPECT_EQ(form->CheckListBox1->Count(), 4);
  EXPECT_TRUE(form->CheckListBox1->Checked(2));
}

TEST_F(CacheList, NewFileReplacesEntriesAndTicks) {
  Load(kFile);
  form->SpeedButton1Click();
  Load("1,Iba jedna,0,0 (GC9)\n");
  ASSERT_EQ(form->CheckListBox1->Count(), 1);
  EXPECT_FALSE(form->CheckListBox1->Checked(0));
  EXPECT_FALSE(form->CheckListBox2->Checked(0));
}

TEST_F(CacheList, CheckAllAndNoneCoverBothLists) {
  Load(kFile);
  form->SpeedButton1->click();
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(form->CheckListBox1->Checked(i));
    EXPECT_TRUE(form->CheckListBox2->Checked(i));
  }
  form->SpeedButton2->click();
  for (int i = 0; i < 4; ++i) {
    EXPECT_FALSE(form->CheckListBox1->Checked(i));
    EXPECT_FALSE(form->CheckListBox2->Checked(i));
  }
}

TEST_F(CacheList, ClickingACheckMarkMirrorsItIntoTheOtherListOnly) {
  Load(kFile);
  form->show();
  form->PageControl2->setCurrentWidget(form->TabSheet5);
  QApplication::processEvents();
  ClickCheckBox(form->CheckListBox2, 3);
  EXPECT_TRUE(form->CheckListBox2->Checked(3));
  EXPECT_TRUE(form->CheckListBox1->Checked(3));
  EXPECT_FALSE(form->CheckListBox1->Selected(3));  // the other list's selection does not move

  form->PageControl2->setCurrentWidget(form->TabSheet4);
  QApplication::processEvents();
  ClickCheckBox(form->CheckListBox1, 3);
  EXPECT_FALSE(form->CheckListBox1->Checked(3));
  EXPECT_FALSE(form->CheckListBox2->Checked(3));
  ClickCheckBox(form->CheckListBox1, 0);
  EXPECT_TRUE(form->CheckListBox2->Checked(0));
  EXPECT_FALSE(form->CheckListBox2->Checked(1));

  // Assistive technology reads each entry's text and check mark.
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(form->CheckListBox1);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->childCount(), 4);
  QAccessibleInterface* first = list->child(0);
  EXPECT_EQ(first->text(QAccessible::Name), FromAnsi("Hradn\xE1 studna"));
  EXPECT_TRUE(first->state().checkable);
  EXPECT_TRUE(first->state().checked);
  EXPECT_FALSE(list->child(1)->state().checked);
}

// A million entries: the lists stay aligned entry by entry, check all reaches the last entry of
// both, and a click mirrors at the far end.
TEST_F(CacheList, AMillionEntriesKeepAlignmentMirroringAndCheckAll) {
  constexpr int kCount = 1000000;
  std::string text;
  text.reserve(kCount * 40);
  char line[96];
  for (int i = 0; i < kCount; ++i) {
    std::snprintf(line, sizeof line, "%d,Ke\x9Aka %d,48,18,,0,1,3,0,65535,x (GC%X)\r\n", i, i, i);
    text += line;
  }
  Load(text);
  ASSERT_EQ(form->CheckListBox1->Count(), kCount);
  ASSERT_EQ(form->CheckListBox2->Count(), kCount);
  EXPECT_EQ(form->Memo2->LineCount(), kCount + 1);
  for (int i : {0, 1, 77777, kCount / 2, kCount - 1}) {
    EXPECT_EQ(form->CheckListBox1->ItemText(i), "Ke\x9Aka " + std::to_string(i));
    char code[16];
    std::snprintf(code, sizeof code, "GC%X", i);
    EXPECT_EQ(form->CheckListBox2->ItemText(i), code);
  }
  EXPECT_EQ(form->Memo2->Line(kCount - 1), FromAnsi(line).chopped(2));

  form->SpeedButton1->click();
  EXPECT_TRUE(form->CheckListBox1->Checked(kCount - 1));
  EXPECT_TRUE(form->CheckListBox2->Checked(kCount - 1));
  form->SpeedButton2->click();
  EXPECT_FALSE(form->CheckListBox1->Checked(0));
  EXPECT_FALSE(form->CheckListBox2->Checked(kCount - 1));

  // The last entry, shown and clicked on its check box in the code list.
  form->show();
  form->PageControl2->setCurrentWidget(form->TabSheet5);
  form->CheckListBox2->scrollToBottom();
  QApplication::processEvents();
  ClickCheckBox(form->CheckListBox2, kCount - 1);
  EXPECT_TRUE(form->CheckListBox2->Checked(kCount - 1));
  EXPECT_TRUE(form->CheckListBox1->Checked(kCount - 1));
  EXPECT_FALSE(form->CheckListBox1->Checked(kCount - 2));
  EXPECT_FALSE(form->CheckListBox1->Selected(kCount - 1));
  EXPECT_EQ(form->CheckListBox2->ItemIndex(), kCount - 1);
}

}  // namespace
