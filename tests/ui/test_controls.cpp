// The control set over the headless backend: values and their limits, the
// event queue counted in pumps (nested pumps included), the dispatcher that
// keeps exceptions inside the message loop, key preview and cancel buttons,
// and the main form ending the loop.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/message_pump.h"
#include "core/error.h"
#include "ui/controls.h"

namespace kc::ui {
namespace {

class HeadlessControls : public ::testing::Test {
 protected:
  void SetUp() override {
    App().Init(BackendKind::Headless);
    App().OnException = [this](const std::string& m) { errors.push_back(m); };
  }
  void TearDown() override {
    App().OnException = nullptr;
    App().Shutdown();
  }
  HeadlessBackend& H() { return *Headless(); }
  std::vector<std::string> errors;
};

struct TwoButtonForm : Form {
  TwoButtonForm() : Form("F", "テスト", 200, 100) {}
  Button A{*this, "A", 0, 0, 50, 20, "あ"};
  Button B{*this, "B", 60, 0, 50, 20, "い"};
};

TEST_F(HeadlessControls, BackendIsHeadlessAndPumpIsInstalled) {
  ASSERT_NE(Headless(), nullptr);
  EXPECT_EQ(App().Kind(), BackendKind::Headless);
  unsigned before = H().PumpCount();
  kc::YieldToMessages();
  kc::YieldToMessages();
  EXPECT_EQ(H().PumpCount(), before + 2);
}

TEST_F(HeadlessControls, EventsFireAtTheirPumpInQueueOrder) {
  std::vector<std::string> fired;
  H().At(3, [&] { fired.push_back("3a"); });
  H().At(2, [&] { fired.push_back("2"); });
  H().At(3, [&] { fired.push_back("3b"); });
  H().After(5, [&] { fired.push_back("5"); });

  kc::YieldToMessages();  // pump 1
  EXPECT_TRUE(fired.empty());
  kc::YieldToMessages();  // pump 2
  EXPECT_EQ(fired, (std::vector<std::string>{"2"}));
  kc::YieldToMessages();  // pump 3
  EXPECT_EQ(fired, (std::vector<std::string>{"2", "3a", "3b"}));
  kc::YieldToMessages();
  kc::YieldToMessages();  // pump 5
  EXPECT_EQ(fired.back(), "5");
  EXPECT_EQ(H().Pending(), 0u);
}

TEST_F(HeadlessControls, AnEventQueuedForAPastPumpFiresAtTheNext) {
  kc::YieldToMessages();
  kc::YieldToMessages();
  int n = 0;
  H().At(1, [&] { ++n; });
  kc::YieldToMessages();
  EXPECT_EQ(n, 1);
}

TEST_F(HeadlessControls, NestedPumpsCountAndFireLaterEvents) {
  // A handler that loops with yields (as Pause does) sees the events queued
  // for the pumps it makes itself.
  bool paused = false;
  unsigned resumedAt = 0;
  H().At(2, [&] {
    paused = true;
    while (paused) kc::YieldToMessages();
  });
  H().At(6, [&] {
    paused = false;
    resumedAt = H().PumpCount();
  });
  for (int i = 0; i < 3; ++i) kc::YieldToMessages();
  EXPECT_FALSE(paused);
  EXPECT_EQ(resumedAt, 6u);
  EXPECT_EQ(H().PumpCount(), 7u);  // pumps 1, 2 (holding 3..6), then 7
}

TEST_F(HeadlessControls, ClickFiresOnlyWhenEnabledAndVisible) {
  TwoButtonForm f;
  int a = 0;
  f.A.OnClick = [&] { ++a; };
  H().ClickAt(1, f.A);
  H().At(2, [&] { f.A.SetEnabled(false); });
  H().ClickAt(3, f.A);
  H().At(4, [&] {
    f.A.SetEnabled(true);
    f.A.SetVisible(false);
  });
  H().ClickAt(5, f.A);
  for (int i = 0; i < 5; ++i) kc::YieldToMessages();
  EXPECT_EQ(a, 1);
}

TEST_F(HeadlessControls, ExceptionInAHandlerGoesToTheApplicationHandler) {
  TwoButtonForm f;
  int after = 0;
  f.A.OnClick = [] { throw kc::Error("だめです"); };
  f.B.OnClick = [] { throw std::runtime_error("plain"); };
  H().ClickAt(1, f.A);
  H().ClickAt(1, f.B);
  H().At(1, [&] { ++after; });
  EXPECT_NO_THROW(kc::YieldToMessages());
  EXPECT_EQ(errors, (std::vector<std::string>{"だめです", "plain"}));
  EXPECT_EQ(after, 1);  // the rest of the pump still ran
}

TEST_F(HeadlessControls, AnApplicationHandlerThatThrowsLeavesTheMessageOnStandardError) {
  App().OnException = [](const std::string&) { throw std::runtime_error("again"); };
  ::testing::internal::CaptureStderr();
  App().Dispatch([] { throw std::runtime_error("first"); });
  App().Dispatch([] { throw 42; });
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "first\n不明な例外が発生しました\n");
}

TEST_F(HeadlessControls, EscapeGoesToKeyPreviewFirstThenToTheCancelButton) {
  TwoButtonForm f;
  int a = 0, b = 0, preview = 0;
  f.A.OnClick = [&] { ++a; };
  f.B.OnClick = [&] { ++b; };
  f.B.Cancel = true;

  f.KeyDown(kKeyEscape);  // no key preview: the cancel button
  EXPECT_EQ(b, 1);

  f.KeyPreview = true;
  f.OnKeyDown = [&](int& key) {
    ++preview;
    if (key == kKeyEscape) {
      f.A.Click();
      key = 0;  // consumed
    }
  };
  f.KeyDown(kKeyEscape);
  EXPECT_EQ(preview, 1);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 1);

  f.KeyDown(kKeyReturn);  // seen, not consumed, not Escape: nothing else
  EXPECT_EQ(preview, 2);
  EXPECT_EQ(b, 1);

  f.KeyPreview = false;
  f.B.SetEnabled(false);
  f.KeyDown(kKeyEscape);  // disabled cancel button: nothing
  EXPECT_EQ(b, 1);
}

TEST_F(HeadlessControls, EnterPressesTheButtonThatStandsForTheFocusedControl) {
  struct KeyForm : Form {
    KeyForm() : Form("K", "キー", 300, 100) {}
    Label Caption{*this, "Caption", 0, 0, 50, 20, "検索"};
    Edit Box{*this, "Box", 0, 20, 100, 20};
    Button Find{*this, "Find", 110, 20, 50, 20, "検索"};
    Button Ok{*this, "Ok", 170, 20, 50, 20, "OK"};
    Memo Text{*this, "Text", 0, 50, 100, 40};
  } f;
  std::string pressed;
  f.Find.OnClick = [&] { pressed += "F"; };
  f.Ok.OnClick = [&] { pressed += "O"; };
  f.Box.DefaultButton = &f.Find;
  f.Ok.Default = true;
  f.Show();
  EXPECT_EQ(f.ActiveControl(), &f.Box);  // the first tab stop, not the label

  struct Case {
    Control* focus;
    bool used;
    const char* pressed;
  };
  for (const Case& c : {Case{&f.Box, true, "F"}, Case{&f.Ok, true, "O"}, Case{&f.Find, true, "F"},
                        Case{&f.Text, false, ""}}) {
    pressed.clear();
    c.focus->SetFocus();
    EXPECT_EQ(f.KeyDown(kKeyReturn), c.used) << c.focus->Name();
    EXPECT_EQ(pressed, c.pressed) << c.focus->Name();
  }
  f.Find.SetEnabled(false);  // a disabled default button is not pressed
  f.Box.SetFocus();
  pressed.clear();
  EXPECT_FALSE(f.KeyDown(kKeyReturn));
  EXPECT_EQ(pressed, "");
}

TEST_F(HeadlessControls, ResizingMovesAndStretchesControlsByTheirAnchors) {
  Form f("A", "アンカー", 400, 300);
  Button fixed(f, "fixed", 8, 8, 80, 24);
  Button right(f, "right", 312, 8, 80, 24);
  Button corner(f, "corner", 312, 268, 80, 24);
  CheckList fill(f, "fill", 8, 40, 384, 220);
  right.Anchors = akTop | akRight;
  corner.Anchors = akRight | akBottom;
  fill.Anchors = akLeft | akTop | akRight | akBottom;
  auto bounds = [](const Control& c) {
    return std::vector<int>{c.Left(), c.Top(), c.Width(), c.Height()};
  };

  f.SetClientSize(900, 800);
  EXPECT_EQ(bounds(fixed), (std::vector<int>{8, 8, 80, 24}));
  EXPECT_EQ(bounds(right), (std::vector<int>{812, 8, 80, 24}));
  EXPECT_EQ(bounds(corner), (std::vector<int>{812, 768, 80, 24}));
  EXPECT_EQ(bounds(fill), (std::vector<int>{8, 40, 884, 720}));
  // Squeezed to nothing and back: nothing is lost on the way.
  f.SetClientSize(100, 100);
  EXPECT_EQ(bounds(fill), (std::vector<int>{8, 40, 84, 20}));
  f.NativeResized(10, 10);
  EXPECT_EQ(bounds(fill), (std::vector<int>{8, 40, 0, 0}));
  f.NativeResized(400, 300);
  EXPECT_EQ(bounds(fill), (std::vector<int>{8, 40, 384, 220}));
  EXPECT_EQ(bounds(corner), (std::vector<int>{312, 268, 80, 24}));
  // Bounds set later count from the size they were set at.
  right.SetBounds(300, 8, 90, 24);
  f.SetClientSize(500, 300);
  EXPECT_EQ(bounds(right), (std::vector<int>{400, 8, 90, 24}));
}

TEST_F(HeadlessControls, ShowActivatesAtTheNextPumpAndRunEndsWhenTheMainFormCloses) {
  TwoButtonForm f;
  EXPECT_EQ(App().MainForm, &f);
  int activations = 0, closes = 0;
  f.OnActivate = [&] {
    ++activations;
    f.Close();
  };
  f.OnClose = [&] { ++closes; };
  App().Run();
  EXPECT_EQ(activations, 1);
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(f.Closed());
  EXPECT_FALSE(f.Visible());
  EXPECT_TRUE(App().Terminated());
}

TEST_F(HeadlessControls, RunReturnsWhenNothingIsLeftToHappen) {
  TwoButtonForm f;
  App().Run();  // activation only; nobody closes it
  EXPECT_TRUE(f.Visible());
  EXPECT_FALSE(App().Terminated());
}

TEST_F(HeadlessControls, ClosingASecondFormDoesNotEndTheLoop) {
  TwoButtonForm main;
  TwoButtonForm other;
  other.Show();
  other.Close();
  EXPECT_FALSE(App().Terminated());
  main.Close();
  EXPECT_TRUE(App().Terminated());
}

TEST_F(HeadlessControls, ACloseAskedForWhileClosingIsTheSameClose) {
  TwoButtonForm f;
  int closes = 0;
  f.OnClose = [&] {
    ++closes;
    f.Close();  // as a close request during the close handler's wait
  };
  f.Close();
  EXPECT_EQ(closes, 1);
  f.Close();  // a later close runs the handler again
  EXPECT_EQ(closes, 2);
}

TEST_F(HeadlessControls, ObserverSeesChanges) {
  TwoButtonForm f;
  Label l(f, "L", 0, 0, 10, 10);
  std::vector<std::string> seen;
  H().OnControlChanged = [&](const Control& c, Change w) {
    if (w == Change::Text) seen.push_back(c.Name() + "=" + c.Caption());
  };
  l.SetCaption("番組");
  l.SetCaption("番組");  // unchanged: no notice
  f.A.SetCaption("x");
  EXPECT_EQ(seen, (std::vector<std::string>{"L=番組", "A=x"}));
}

TEST_F(HeadlessControls, PositionsAndCentring) {
  Form main("M", "m", 400, 200, FormStyle::Borderless);
  Form dlg("D", "d", 100, 50, FormStyle::Borderless);
  main.SetPosition(100, 100);
  dlg.CenterOn(main);
  EXPECT_EQ(dlg.Left(), 250);
  EXPECT_EQ(dlg.Top(), 175);
  main.CenterOnScreen();
  EXPECT_EQ(main.Left(), (1024 - 400) / 2);
}

// ---- values of the single controls

TEST_F(HeadlessControls, ProgressBarKeepsItsPositionInRange) {
  Form f("F", "", 10, 10);
  ProgressBar p(f, "P", 0, 0, 10, 10);
  EXPECT_EQ(p.Max(), 100);
  p.SetPosition(150);
  EXPECT_EQ(p.Position(), 100);
  p.SetMax(3);
  EXPECT_EQ(p.Position(), 3);
  p.SetPosition(-1);
  EXPECT_EQ(p.Position(), 0);
}

// A long list sets the position once per item, mostly past the end of the
// range: the backend hears only of what changes what the bar shows.
TEST_F(HeadlessControls, ProgressBarTellsOnlyChanges) {
  Form f("F", "", 10, 10);
  ProgressBar p(f, "P", 0, 0, 10, 10);
  std::vector<std::string> seen;
  H().OnControlChanged = [&](const Control& c, Change) {
    const auto& bar = static_cast<const ProgressBar&>(c);
    seen.push_back(std::to_string(bar.Min()) + ".." + std::to_string(bar.Position()) + ".." +
                   std::to_string(bar.Max()));
  };
  p.SetMax(2);
  p.SetMax(2);
  for (int i = 0; i <= 5; ++i) p.SetPosition(i);
  p.SetMin(0);
  p.SetMin(1);
  p.SetPosition(-4);
  p.SetMax(1);
  EXPECT_EQ(seen, (std::vector<std::string>{"0..0..2", "0..1..2", "0..2..2", "1..2..2",
                                             "1..1..2", "1..1..1"}));
}

TEST_F(HeadlessControls, CheckBoxAndRadioGroups) {
  Form f("F", "", 10, 10);
  CheckBox c(f, "C", 0, 0, 10, 10, "c");
  int changes = 0;
  c.OnChange = [&] { ++changes; };
  c.Click();
  c.Click();
  EXPECT_FALSE(c.Checked());
  EXPECT_EQ(changes, 2);

  RadioButton r1(f, "R1", 0, 0, 10, 10, "1", 0), r2(f, "R2", 0, 0, 10, 10, "2", 0);
  RadioButton other(f, "R3", 0, 0, 10, 10, "3", 1);
  other.SetChecked(true);
  r1.SetChecked(true);
  r2.Click();
  EXPECT_FALSE(r1.Checked());
  EXPECT_TRUE(r2.Checked());
  EXPECT_TRUE(other.Checked());  // another group
}

TEST_F(HeadlessControls, ComboBoxSelection) {
  Form f("F", "", 10, 10);
  ComboBox c(f, "C", 0, 0, 10, 10);
  c.SetItems({"スカパー", "e2"});
  EXPECT_EQ(c.ItemIndex(), -1);
  EXPECT_EQ(c.Text(), "");
  int changes = 0;
  c.OnChange = [&] { ++changes; };
  c.Select(1);
  EXPECT_EQ(c.Text(), "e2");
  EXPECT_EQ(changes, 1);
  c.SetItemIndex(5);
  EXPECT_EQ(c.ItemIndex(), -1);
  c.SetItemIndex(0);
  c.SetItems({"a"});
  EXPECT_EQ(c.ItemIndex(), -1);
}

TEST_F(HeadlessControls, TextBoxesAndMemo) {
  Form f("F", "", 10, 10);
  Edit e(f, "E", 0, 0, 10, 10, "初め");
  EXPECT_EQ(e.Caption(), "初め");
  int changes = 0;
  e.OnChange = [&] { ++changes; };
  e.UserSetText("次");
  e.ReadOnly = true;
  e.UserSetText("無視");
  EXPECT_EQ(e.Caption(), "次");
  EXPECT_EQ(changes, 1);

  Memo m(f, "M", 0, 0, 10, 10);
  m.SetLines({"一行目", "二行目"});
  EXPECT_EQ(m.Caption(), "一行目\r\n二行目");
  EXPECT_EQ(m.Lines(), (StringList{"一行目", "二行目"}));
  m.SetLines({});
  EXPECT_EQ(m.Caption(), "");
}

TEST_F(HeadlessControls, CheckListTicks) {
  Form f("F", "", 10, 10);
  CheckList l(f, "L", 0, 0, 10, 10);
  l.SetItems({"055 A", "161 B", "300 C"});
  int clicks = 0;
  l.OnClickCheck = [&] { ++clicks; };
  l.SetChecked(1, true);
  l.UserToggle(2);
  l.UserToggle(1);
  l.UserToggle(7);  // outside: nothing
  EXPECT_FALSE(l.Checked(0));
  EXPECT_FALSE(l.Checked(1));
  EXPECT_TRUE(l.Checked(2));
  EXPECT_FALSE(l.Checked(-1));
  EXPECT_EQ(clicks, 2);
  l.SetItems({"x"});
  EXPECT_FALSE(l.Checked(0));
}

TEST_F(HeadlessControls, GridCells) {
  Form f("F", "", 10, 10);
  Grid g(f, "G", 0, 0, 10, 10);
  g.SetColumns({"変換前", "変換後"});
  EXPECT_EQ(g.ColumnWidths().size(), 2u);
  g.SetCell(1, 2, "161");
  EXPECT_EQ(g.RowCount(), 3);
  EXPECT_EQ(g.Cell(1, 2), "161");
  EXPECT_EQ(g.Cell(0, 2), "");
  EXPECT_EQ(g.Cell(5, 0), "");
  g.SetCell(2, 0, "outside");  // no third column
  EXPECT_EQ(g.Cell(2, 0), "");
  g.SetRow(2);
  g.SetRowCount(1);
  EXPECT_EQ(g.Row(), -1);
}

TEST_F(HeadlessControls, PictureAndStretch) {
  // 2 x 2 to 4 x 4 repeats every pixel in a 2 x 2 block.
  std::vector<Color> src{1, 2, 3, 4};
  std::vector<Color> big = StretchPixels(src, 2, 2, 4, 4);
  ASSERT_EQ(big.size(), 16u);
  EXPECT_EQ((std::vector<Color>(big.begin(), big.begin() + 4)), (std::vector<Color>{1, 1, 2, 2}));
  EXPECT_EQ(big[15], 4u);
  EXPECT_TRUE(StretchPixels(src, 3, 2, 4, 4).empty());  // size does not match

  Form f("F", "", 10, 10);
  Picture p(f, "P", 0, 0, 4, 4);
  p.SetPixels(4, 4, big);
  EXPECT_EQ(p.PixelAt(3, 3), 4u);
  EXPECT_EQ(p.PixelAt(9, 9), clWhite);
  p.SetPixels(4, 4, src);  // wrong count: emptied
  EXPECT_EQ(p.PixelWidth(), 0);
}

TEST_F(HeadlessControls, PaintCountsTheFaceDrawing) {
  Form f("F", "", 10, 10);
  EXPECT_EQ(H().PaintCount(f), 0);
  f.OnPaint = [](Canvas& c) {
    c.FillRect(0, 0, 1, 1, clWhite);
    c.Text(0, 0, "x", FontInfo{});
  };
  EXPECT_EQ(H().PaintCount(f), 2);
}

TEST(HeadlessControlsSetup, InitReplacesThePumpAndShutdownRemovesIt) {
  App().Init(BackendKind::Headless);
  unsigned n = Headless()->PumpCount();
  kc::YieldToMessages();
  EXPECT_EQ(Headless()->PumpCount(), n + 1);
  App().Shutdown();
  EXPECT_EQ(Headless(), nullptr);
  EXPECT_NO_THROW(kc::YieldToMessages());
#ifndef _WIN32
  EXPECT_THROW(App().Init(BackendKind::Win32), kc::Error);
#endif
}

}  // namespace
}  // namespace kc::ui
