// The window layer's control classes on their own, without a display.
#include <gtest/gtest.h>

#include <string>

#include "installer/Artwork.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Form.h"
#include "platform/ui/Picture.h"
#include "platform/ui/StdControls.h"

namespace platform::ui {
namespace {

TEST(TRadioButton, SiblingsFormOneGroupAndOnlyChangesRaiseClick) {
  TForm form("form");
  auto& a = form.Add<TRadioButton>("a");
  auto& b = form.Add<TRadioButton>("b");
  auto& other = form.Add<TPageControl>("pc").Add<TTabSheet>("page").Add<TRadioButton>("c");
  other.SetChecked(true);
  int clicks = 0;
  a.OnClick = b.OnClick = [&](TControl&) { ++clicks; };
  a.Click();
  b.Click();
  b.Click();
  EXPECT_FALSE(a.Checked());
  EXPECT_TRUE(b.Checked());
  EXPECT_EQ(clicks, 2);
  // A button with another parent belongs to another group.
  EXPECT_TRUE(other.Checked());
}

TEST(TEdit, LimitCountsUtf16UnitsAndCodeMayGoPastIt) {
  TForm form("form");
  auto& edit = form.Add<TEdit>("edit");
  edit.SetMaxLength(3);
  edit.TypeText(
      "a\xF0\x9F\x98\x80"
      "b");  // an emoji takes two of the three units
  EXPECT_EQ(edit.Text(), "a\xF0\x9F\x98\x80");
  edit.TypeText("c");
  EXPECT_EQ(edit.Text(), "a\xF0\x9F\x98\x80");
  edit.SetText("longer than three");
  EXPECT_EQ(edit.Text(), "longer than three");
  EXPECT_EQ(Utf16Length("ação"), 4);
  EXPECT_EQ(std::string(Utf16Prefix("ação", 2)), "aç");
}

TEST(TEdit, FullEditRefusesOrCutsInsertionsAndKeepsItsText) {
  struct TCase {
    const char* name;
    int maxLength;
    std::string before, edited, kept;
  };
  const TCase cases[] = {
      {"typed at the start of a full edit", 5, "abcde", "Xabcde", "abcde"},
      {"typed in the middle of a full edit", 5, "abcde", "abXcde", "abcde"},
      {"paste cut to the room left", 6, "abcde", "XYZabcde", "Xabcde"},
      {"selection replaced by a long paste", 6, "abcde", "aXYZWde", "aXYZde"},
      {"no room for a two-unit character", 6, "abcde",
       "\xF0\x9F\x98\x80"
       "abcde",
       "abcde"},
      {"accented insertion at the end", 6, "abcde", "abcdeçã", "abcdeç"},
      {"deleting from a text code made too long", 3, "abcdef", "abcdf", "abcdf"},
      {"fits", 6, "abc", "abXc", "abXc"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TForm form("form");
    auto& edit = form.Add<TEdit>("edit");
    edit.SetText(c.before);
    edit.SetMaxLength(c.maxLength);
    EXPECT_EQ(edit.EditedByUser(c.edited), c.kept);
    EXPECT_EQ(edit.Text(), c.kept);
  }
}

TEST(TEdit, ControlCharactersAreDroppedFromTypedPastedAndSetText) {
  TForm form("form");
  auto& edit = form.Add<TEdit>("edit");
  EXPECT_EQ(edit.EditedByUser("a\tb\r\nc\x7F\xC2\x85"
                              "d\xC2\xA0ç"),
            "abcd\xC2\xA0ç");
  edit.TypeText("x\ny\x1B");
  EXPECT_EQ(edit.Text(), "abcd\xC2\xA0çxy");
  edit.SetText(std::string("a\0b\x01", 4));
  EXPECT_EQ(edit.Text(), "ab");
  edit.SetMaxLength(3);
  edit.TypeText("\r\n\r\nz");  // control characters take no room
  EXPECT_EQ(edit.Text(), "abz");
}

// Counts the updates its control hands it, as a screen widget would follow them.
class TCountingPeer : public TControlPeer {
 public:
  explicit TCountingPeer(int& count) : count_(count) {}
  void Update() override { ++count_; }

 private:
  int& count_;
};

TEST(TControl, ChildrenTakeTheWindowsFontAndColourWheneverTheyAreSet) {
  TForm form("form");
  auto& label = form.Add<TLabel>("label");
  auto& pc = form.Add<TPageControl>("pc");
  auto& page = pc.Add<TTabSheet>("page");
  auto& edit = page.Add<TEdit>("edit");
  auto& own = form.Add<TLabel>("own");
  own.SetFont(TFont{"Tahoma", 17, false, clWindowText});
  int updates = 0;
  edit.SetPeer(std::make_unique<TCountingPeer>(updates));
  // Set after the children were made, as a window lays itself out.
  form.SetFont(TFont{"MS Sans Serif", 13, true, clBlue});
  form.SetColor(clBtnFace);
  for (const TControl* c : {static_cast<TControl*>(&label), static_cast<TControl*>(&pc),
                            static_cast<TControl*>(&page), static_cast<TControl*>(&edit)}) {
    SCOPED_TRACE(c->Name());
    EXPECT_EQ(c->Font().name, "MS Sans Serif");
    EXPECT_EQ(c->Font().height, 13);
    EXPECT_TRUE(c->Font().bold);
    EXPECT_EQ(c->Color(), clBtnFace);
  }
  EXPECT_EQ(updates, 2);  // the edit's widget heard of both changes
  EXPECT_EQ(own.Font().height, 17);
  EXPECT_EQ(own.Color(), clBtnFace);
  page.SetColor(clWhite);
  EXPECT_EQ(edit.Color(), clWhite);
  EXPECT_EQ(label.Color(), clBtnFace);
}

TEST(TEdit, UpperCaseTurnsAccentedSmallLettersOnly) {
  EXPECT_EQ(EditUpperCase("àéîõüçñ ÿ ÷ ß abc 123"), "ÀÉÎÕÜÇÑ ÿ ÷ ß ABC 123");
  TForm form("form");
  auto& edit = form.Add<TEdit>("edit");
  edit.SetText("antes");
  edit.SetUpperCase(true);
  EXPECT_EQ(edit.Text(), "ANTES");
}

TEST(TControl, BottomAlignedAndRightAnchoredControlsFollowTheirParent) {
  TForm form("form");
  form.SetClientSize(300, 200);
  auto& bar = form.Add<TProgressBar>("bar");
  bar.SetBounds(10, 10, 50, 20);
  bar.SetAlign(TAlign::Bottom);
  auto& edit = form.Add<TEdit>("edit");
  edit.SetBounds(10, 10, 280, 21);
  edit.SetAnchorRight(true);
  form.SetClientSize(400, 250);
  EXPECT_EQ(bar.Left(), 0);
  EXPECT_EQ(bar.Top(), 230);
  EXPECT_EQ(bar.Width(), 400);
  EXPECT_EQ(edit.Width(), 380);
}

TEST(TPageControl, PagesFillTheClientAreaAndHiddenTabsAreSkipped) {
  TForm form("form");
  auto& pc = form.Add<TPageControl>("pc");
  pc.SetBounds(0, 0, 351, 112);
  auto& one = pc.Add<TTabSheet>("one");
  auto& hidden = pc.Add<TTabSheet>("hidden");
  auto& two = pc.Add<TTabSheet>("two");
  hidden.SetTabVisible(false);
  EXPECT_EQ(one.Width(), 343);
  EXPECT_EQ(one.Height(), 84);
  pc.SetActivePage(&one);
  EXPECT_TRUE(pc.SelectNextPage(true));
  EXPECT_EQ(pc.ActivePage(), &two);
  EXPECT_TRUE(pc.SelectNextPage(true));
  EXPECT_EQ(pc.ActivePage(), &one);
  EXPECT_TRUE(pc.SelectNextPage(false));
  EXPECT_EQ(pc.ActivePage(), &two);
  pc.SetEnabled(false);
  EXPECT_FALSE(pc.ClickTab(0));
  EXPECT_EQ(pc.ActivePage(), &two);
}

TEST(TImage, ProportionalShrinksOnlyPicturesLargerThanTheControl) {
  TPicture picture;
  EXPECT_FALSE(picture.LoadFromMemory("not a picture"));
  EXPECT_TRUE(picture.Empty());
  EXPECT_FALSE(picture.LoadFromMemory(std::string("\x89PNG\r\n\x1a\n", 8) + "broken"));
  TForm form("form");
  auto& image = form.Add<TImage>("image");
  image.SetBounds(0, 0, 233, 49);
  image.SetCenter(true);
  image.SetProportional(true);
  ASSERT_TRUE(picture.LoadFromMemory(installer::artwork::SecondLogo()));
  image.SetPicture(picture);
  const TRect natural = image.DrawRect();
  EXPECT_EQ(natural.left, 16);
  EXPECT_EQ(natural.top, 3);
  EXPECT_EQ(natural.width, 201);
  EXPECT_EQ(natural.height, 43);
  image.SetBounds(0, 0, 100, 40);
  const TRect shrunk = image.DrawRect();
  EXPECT_EQ(shrunk.width, 100);
  EXPECT_EQ(shrunk.height, 21);
  EXPECT_EQ(shrunk.top, 9);
  image.SetAutoSize(true);
  EXPECT_EQ(image.Width(), 201);
  EXPECT_EQ(image.Height(), 43);
}

}  // namespace
}  // namespace platform::ui
