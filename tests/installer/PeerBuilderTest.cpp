// The walk that gives a shown form's controls their peers, and the routing of event handler
// failures, which both window backends share; here with a backend that only records what it
// is asked to make, so no display is needed.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ui/ComCtrls.h"
#include "platform/ui/EventDispatch.h"
#include "platform/ui/Form.h"
#include "platform/ui/GlowButton.h"
#include "platform/ui/PeerBuilder.h"
#include "platform/ui/Picture.h"
#include "platform/ui/StdControls.h"

namespace platform::ui {
namespace {

using TLog = std::vector<std::string>;

// A peer that notes when it goes.
class TRecordingPeer : public TControlPeer {
 public:
  TRecordingPeer(const TControl& control, TLog& log) : name_(control.Name()), log_(log) {}
  ~TRecordingPeer() override { log_.push_back("free " + name_); }
  void Update() override {}

 private:
  std::string name_;
  TLog& log_;
};

// Notes each step as "what name" (with "+group" where the control starts a group of the
// dialog keys) and attaches a recording peer, as a backend attaches its widget.
class TRecordingBuilder : public TPeerBuilder {
 public:
  explicit TRecordingBuilder(TLog& log, TLog& freed) : log_(log), freed_(freed) {}

 protected:
  void MakeLabel(TLabel& label) override { Make("label", label, false); }
  void MakeEdit(TEdit& edit, bool group) override { Make("edit", edit, group); }
  void MakeRadioButton(TRadioButton& radio, bool group) override { Make("radio", radio, group); }
  void MakeCheckBox(TCheckBox& check, bool group) override { Make("check", check, group); }
  void MakeProgressBar(TProgressBar& bar) override { Make("progress", bar, false); }
  void MakeImage(TImage& image) override { Make("image", image, false); }
  void MakeGlowButton(TGlowButton& button, bool group) override { Make("button", button, group); }
  void OpenPageControl(TPageControl& pc, bool group) override { Make("open", pc, group); }
  void OpenPage(TPageControl&, TTabSheet& page) override { Make("page", page, false); }
  void ClosePage(TTabSheet& page) override { log_.push_back("close " + page.Name()); }
  void ClosePageControl(TPageControl& pc) override { log_.push_back("close " + pc.Name()); }

 private:
  void Make(const std::string& what, TControl& control, bool group) {
    log_.push_back(what + " " + control.Name() + (group ? " +group" : ""));
    control.SetPeer(std::make_unique<TRecordingPeer>(control, freed_));
  }

  TLog& log_;
  TLog& freed_;
};

void Build(TWinControl& container, TLog& log, TLog& freed) {
  TRecordingBuilder(log, freed).BuildChildren(container);
}

TEST(TPeerBuilder, SkippedControlsComeFirstThenTabOrderAndEachRadioRunIsOneGroup) {
  // Before the form: peers still attached note their end in it when the form goes.
  TLog log, freed;
  TForm form("form");
  form.Add<TLabel>("caption");
  form.Add<TEdit>("alias").SetTabOrder(3);
  form.Add<TProgressBar>("bar");
  form.Add<TRadioButton>("rede").SetTabOrder(0);
  form.Add<TRadioButton>("nuvens").SetTabOrder(1);
  form.Add<TCheckBox>("paf").SetTabOrder(2);
  form.Add<TImage>("logo");
  form.Add<TGlowButton>("instalar").SetTabOrder(5);
  form.Add<TRadioButton>("alone").SetTabOrder(4);
  Build(form, log, freed);
  const TLog expected = {"label caption",     "progress bar",       "image logo",
                         "radio rede +group", "radio nuvens",       "check paf +group",
                         "edit alias +group", "radio alone +group", "button instalar +group"};
  EXPECT_EQ(log, expected);
}

TEST(TPeerBuilder, PagesOfHiddenTabsGetNoPeersAndEachPageIsBuiltInsideItsControl) {
  // Before the form: peers still attached note their end in it when the form goes.
  TLog log, freed;
  TForm form("form");
  form.Add<TRadioButton>("before").SetTabOrder(0);
  auto& pc = form.Add<TPageControl>("pc");
  pc.SetTabOrder(1);
  auto& one = pc.Add<TTabSheet>("one");
  one.Add<TRadioButton>("first").SetTabOrder(0);
  one.Add<TRadioButton>("second").SetTabOrder(1);
  auto& hidden = pc.Add<TTabSheet>("hidden");
  auto& secret = hidden.Add<TLabel>("secret");
  hidden.SetTabVisible(false);
  pc.Add<TTabSheet>("two").Add<TEdit>("server");
  Build(form, log, freed);
  // A page starts its own run of radio buttons, whatever came before the page control.
  const TLog expected = {"radio before +group", "open pc +group", "page one", "radio first +group",
                         "radio second",        "close one",      "page two", "edit server +group",
                         "close two",           "close pc"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(hidden.Peer(), nullptr);
  EXPECT_EQ(secret.Peer(), nullptr);
}

TEST(TPeerBuilder, PeersAreTakenOffTheInnermostFirst) {
  // Before the form: peers still attached note their end in it when the form goes.
  TLog log, freed;
  TForm form("form");
  auto& pc = form.Add<TPageControl>("pc");
  pc.Add<TTabSheet>("page").Add<TEdit>("edit");
  form.Add<TLabel>("label");
  Build(form, log, freed);
  form.SetPeer(std::make_unique<TRecordingPeer>(form, freed));
  TPeerBuilder::DetachPeers(form);
  const TLog expected = {"free edit", "free page", "free pc", "free label", "free form"};
  EXPECT_EQ(freed, expected);
  EXPECT_EQ(form.Peer(), nullptr);
}

TEST(TShownPeers, ThePeersGoWhenTheLoopEndsByAFailure) {
  // Before the form: peers still attached note their end in it when the form goes.
  TLog log, freed;
  TForm form("form");
  auto& edit = form.Add<TEdit>("edit");
  try {
    const TShownPeers peers(form);
    Build(form, log, freed);
    form.SetPeer(std::make_unique<TRecordingPeer>(form, freed));
    throw std::runtime_error("the window could not be made");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(edit.Peer(), nullptr);
  EXPECT_EQ(form.Peer(), nullptr);
  const TLog expected = {"free edit", "free form"};
  EXPECT_EQ(freed, expected);
}

TEST(EventDispatch, EveryFailureReachesTheLoopsHandlerAndTheNextEventStillRuns) {
  TLog reported;
  const TEventErrorHandler handler = [&](const std::exception& e) { reported.push_back(e.what()); };
  const TEventErrorRoute route(&handler);
  Dispatch([] { throw std::runtime_error("Falha ao gravar"); });
  Dispatch([] { throw 42; });
  bool ran = false;
  Dispatch([&] { ran = true; });
  const TLog expected = {"Falha ao gravar", "Unknown failure in an event handler"};
  EXPECT_EQ(reported, expected);
  EXPECT_TRUE(ran);
}

TEST(EventDispatch, AnInnerLoopsHandlerGivesWayToTheOuterOneWhenItEnds) {
  TLog outer, inner;
  const TEventErrorHandler outerHandler = [&](const std::exception& e) {
    outer.push_back(e.what());
  };
  const TEventErrorRoute outerRoute(&outerHandler);
  {
    const TEventErrorHandler innerHandler = [&](const std::exception& e) {
      inner.push_back(e.what());
    };
    const TEventErrorRoute innerRoute(&innerHandler);
    Dispatch([] { throw std::runtime_error("modal"); });
  }
  Dispatch([] { throw std::runtime_error("main"); });
  EXPECT_EQ(inner, TLog{"modal"});
  EXPECT_EQ(outer, TLog{"main"});
}

TEST(EventDispatch, AFailingErrorBoxNeverLeavesTheEventHandler) {
  const TEventErrorHandler handler = [](const std::exception&) {
    throw std::runtime_error("no room for the box");
  };
  const TEventErrorRoute route(&handler);
  EXPECT_NO_THROW(Dispatch([] { throw std::runtime_error("first"); }));
}

}  // namespace
}  // namespace platform::ui
