// The installer window's layout and option logic, without a display.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/installer/FormFixture.h"

namespace installer {
namespace {

using platform::ui::TControl;
using platform::ui::TGlowState;
using platform::ui::TGradientDirection;

std::vector<std::string> Names(const std::vector<TControl*>& controls) {
  std::vector<std::string> names;
  for (const TControl* c : controls)
    names.push_back(c->Name());
  return names;
}

TEST(TfrmPrincipal, StartsWithTheCompleteInstallationAndTheHiddenPages) {
  TFormHarness h;
  TfrmPrincipal& f = h.form;
  EXPECT_TRUE(f.chkLocal.Checked());
  EXPECT_FALSE(f.chkEstacao.Checked());
  EXPECT_FALSE(f.chkPaf.Checked());
  EXPECT_TRUE(f.chkPaf.Visible());
  EXPECT_FALSE(f.pc.Visible());
  EXPECT_EQ(f.pc.ActivePage(), &f.tsLocal);
  for (auto* edit : {&f.edtServidor, &f.edtCaminho, &f.edtEmpresa, &f.edURL, &f.edFile})
    EXPECT_EQ(edit->Text(), "") << edit->Name();
  EXPECT_EQ(f.ProgressBar1.Min(), 0);
  EXPECT_EQ(f.ProgressBar1.Max(), 100);
  EXPECT_EQ(f.ProgressBar1.Position(), 0);
  EXPECT_FALSE(f.lConnectionInfo.Visible());
  EXPECT_TRUE(h.service.boxes.empty());
  EXPECT_EQ(h.service.title, "VareloSoft - Instalador");
}

TEST(TfrmPrincipal, WindowIsFixedWhiteCentredAndCarriesTheProductIcon) {
  TFormHarness h;
  TfrmPrincipal& f = h.form;
  EXPECT_EQ(f.Caption(), "VareloSoft - Instalação");
  EXPECT_EQ(f.Width(), 618);
  EXPECT_EQ(f.Height(), 413);
  EXPECT_FALSE(f.Resizable());
  EXPECT_FALSE(f.MinimizeBox());
  EXPECT_FALSE(f.MaximizeBox());
  EXPECT_TRUE(f.CenterOnScreen());
  EXPECT_EQ(f.Color(), platform::ui::clWhite);
  EXPECT_EQ(f.Font().name, "Tahoma");
  EXPECT_EQ(f.Font().height, 11);
  EXPECT_FALSE(f.Icon().Empty());
}

TEST(TfrmPrincipal, ApplicationAndItsMessageBoxesCarryTheProductIcon) {
  TFormHarness h;
  EXPECT_TRUE(h.application.Icon().Empty());
  // The message loop starts with the main window's icon as the program's, which every
  // message box shows.
  h.application.Run(h.form);
  EXPECT_FALSE(h.application.Icon().Empty());
  EXPECT_EQ(h.service.iconWidth, h.form.Icon().Width());
  EXPECT_EQ(h.service.iconHeight, h.form.Icon().Height());
  EXPECT_GT(h.service.iconWidth, 0);
}

struct TPlace {
  const TControl* control;
  const TControl* parent;
  int left, top, width, height;
  const char* caption;
};

TEST(TfrmPrincipal, EveryControlSitsInItsParentAtItsPlace) {
  TFormHarness h;
  TfrmPrincipal& f = h.form;
  const TPlace places[] = {
      {&f.Image1, &f, 13, 144, 225, 225, ""},
      {&f.Image2, &f, 8, 8, 599, 133, ""},
      {&f.lConnectionInfo, &f, 530, 140, 77, 13, "Connection Info"},
      {&f.Image3, &f, 6, 338, 233, 49, ""},
      {&f.pc, &f, 259, 227, 351, 112, ""},
      {&f.chkEstacao, &f, 259, 176, 351, 17, "Instalação de Estação Sem Banco de Dados"},
      {&f.chkLocal, &f, 259, 153, 351, 17, "Instalação Completa com Banco de Dados"},
      {&f.ProgressBar1, &f, 0, 393, 618, 20, ""},
      {&f.btnInstalar, &f, 259, 345, 351, 41, "Instalar"},
      {&f.chkPaf, &f, 260, 199, 350, 17, "Instalação do PDV - PAF"},
      {&f.Label4, &f.tsLocal, 8, 2, 40, 13, "Servidor"},
      {&f.edtServidor, &f.tsLocal, 7, 18, 328, 21, ""},
      {&f.Label1, &f.tsLocal, 8, 43, 41, 13, "Caminho"},
      {&f.edtCaminho, &f.tsLocal, 7, 59, 328, 21, ""},
      {&f.Label2, &f.tsNuvens, 8, 4, 81, 13, "Alias da Empresa"},
      {&f.edtEmpresa, &f.tsNuvens, 7, 23, 328, 21, ""},
      {&f.Label11, &f.TabSheet1, 3, 4, 109, 13, "Nome Arquivo a baixar"},
      {&f.edURL, &f.TabSheet1, 3, 23, 337, 21, ""},
      {&f.lFile, &f.TabSheet1, 3, 47, 61, 13, "Pasta Detino"},
      {&f.edFile, &f.TabSheet1, 3, 66, 337, 21, ""},
  };
  for (const TPlace& p : places) {
    SCOPED_TRACE(p.control->Name());
    EXPECT_EQ(p.control->Parent(), p.parent);
    EXPECT_EQ(p.control->Left(), p.left);
    EXPECT_EQ(p.control->Top(), p.top);
    EXPECT_EQ(p.control->Width(), p.width);
    EXPECT_EQ(p.control->Height(), p.height);
    EXPECT_EQ(p.control->Caption(), p.caption);
  }
  EXPECT_EQ(f.ProgressBar1.Align(), platform::ui::TAlign::Bottom);
  EXPECT_TRUE(f.edFile.AnchorRight());
  EXPECT_FALSE(f.edURL.Enabled());
  EXPECT_FALSE(f.edFile.Enabled());
  EXPECT_EQ(f.Label11.Color(), platform::ui::clBtnFace);
  EXPECT_EQ(f.lFile.Color(), platform::ui::clBtnFace);
  EXPECT_EQ(f.lConnectionInfo.Alignment(), platform::ui::TAlignment::RightJustify);
  // The second logo is centred, and lies over the lower edge of the illustration.
  EXPECT_TRUE(f.Image3.Center());
  EXPECT_TRUE(f.Image3.Proportional());
  EXPECT_EQ(f.Image3.Picture().Width(), 201);
  EXPECT_EQ(f.Image3.Picture().Height(), 43);
  EXPECT_LT(f.Image3.Top(), f.Image1.Top() + f.Image1.Height());
  EXPECT_EQ(f.Image1.Picture().Width(), 225);
  EXPECT_EQ(f.Image2.Picture().Width(), 599);
  EXPECT_EQ(f.Image2.Picture().Height(), 133);
  EXPECT_EQ(
      (std::vector<std::string>{f.tsLocal.Caption(), f.tsNuvens.Caption(), f.TabSheet1.Caption()}),
      (std::vector<std::string>{"Rede", "Nuvens", "Down"}));
}

TEST(TfrmPrincipal, OptionsUseLargerTahomaAndTheButtonBoldWhiteMsSansSerif) {
  TFormHarness h;
  TfrmPrincipal& f = h.form;
  for (const TControl* c :
       {static_cast<TControl*>(&f.chkEstacao), static_cast<TControl*>(&f.chkLocal),
        static_cast<TControl*>(&f.chkPaf)}) {
    EXPECT_EQ(c->Font().name, "Tahoma") << c->Name();
    EXPECT_EQ(c->Font().height, 17) << c->Name();
  }
  EXPECT_EQ(f.btnInstalar.Font().name, "MS Sans Serif");
  EXPECT_TRUE(f.btnInstalar.Font().bold);
  EXPECT_EQ(f.btnInstalar.Font().color, platform::ui::clWhite);
  EXPECT_EQ(f.btnInstalar.Font().height, 13);
  EXPECT_EQ(f.edtEmpresa.Font().height, 11);
  EXPECT_EQ(f.Label4.Font().name, "Tahoma");
}

TEST(TfrmPrincipal, TabOrderRunsLowerOptionBeforeUpperAndPathBeforeServer) {
  TFormHarness h;
  TfrmPrincipal& f = h.form;
  EXPECT_EQ(Names(f.TabList()),
            (std::vector<std::string>{"pc", "chkEstacao", "chkLocal", "btnInstalar", "chkPaf"}));
  EXPECT_EQ(f.ProgressBar1.TabOrder(), 3);
  EXPECT_EQ(Names(f.tsLocal.TabList()), (std::vector<std::string>{"edtCaminho", "edtServidor"}));
  EXPECT_EQ(Names(f.TabSheet1.TabList()), (std::vector<std::string>{"edURL", "edFile"}));
}

TEST(TfrmPrincipal, WorkstationOptionShowsThePagesAndCompleteOptionHidesThem) {
  TFormHarness h;
  TfrmPrincipal& f = h.form;
  f.chkEstacao.Click();
  EXPECT_TRUE(f.chkEstacao.Checked());
  EXPECT_FALSE(f.chkLocal.Checked());
  EXPECT_TRUE(f.pc.Visible());
  // Clicking the option that is already checked changes nothing.
  f.chkEstacao.Click();
  EXPECT_TRUE(f.pc.Visible());
  f.chkLocal.Click();
  EXPECT_TRUE(f.chkLocal.Checked());
  EXPECT_FALSE(f.chkEstacao.Checked());
  EXPECT_FALSE(f.pc.Visible());
  f.chkLocal.Click();
  EXPECT_FALSE(f.pc.Visible());
  // The PAF option is independent of the pair.
  f.chkPaf.Click();
  EXPECT_TRUE(f.chkPaf.Checked());
  EXPECT_TRUE(f.chkLocal.Checked());
}

TEST(TfrmPrincipal, HidingThePagesKeepsTheActivePageAndTheTexts) {
  TFormHarness h;
  TfrmPrincipal& f = h.form;
  f.chkEstacao.Click();
  f.edtServidor.TypeText("srv01");
  f.edtCaminho.TypeText("c:\\dados\\base.fdb");
  ASSERT_TRUE(f.pc.ClickTab(1));
  f.edtEmpresa.TypeText("loja");
  f.chkLocal.Click();
  f.chkEstacao.Click();
  EXPECT_EQ(f.pc.ActivePage(), &f.tsNuvens);
  EXPECT_EQ(f.edtServidor.Text(), "srv01");
  EXPECT_EQ(f.edtCaminho.Text(), "c:\\dados\\base.fdb");
  EXPECT_EQ(f.edtEmpresa.Text(), "LOJA");
}

TEST(TfrmPrincipal, CompanyAliasTurnsTypedLettersToUpperCase) {
  TFormHarness h;
  TfrmPrincipal& f = h.form;
  f.edtEmpresa.TypeText("varelo ");
  f.edtEmpresa.TypeText("matriz-ção 2");
  EXPECT_EQ(f.edtEmpresa.Text(), "VARELO MATRIZ-ÇÃO 2");
  // An edit in the middle of the text, as the on-screen widget reports it.
  f.edtEmpresa.EditedByUser("VARELO xMATRIZ");
  EXPECT_EQ(f.edtEmpresa.Text(), "VARELO XMATRIZ");
  // The other edits keep what is typed.
  f.edtServidor.TypeText("Servidor");
  EXPECT_EQ(f.edtServidor.Text(), "Servidor");
}

TEST(TfrmPrincipal, EditsRefuseCharactersPastTheirMaximumLength) {
  TFormHarness h;
  TfrmPrincipal& f = h.form;
  f.edtServidor.TypeText(std::string(150, 's'));
  EXPECT_EQ(f.edtServidor.Text().size(), 100u);
  f.edtCaminho.TypeText(std::string(199, 'p'));
  f.edtCaminho.TypeText("çç");  // one more character fits, the second is refused
  EXPECT_EQ(f.edtCaminho.Text(), std::string(199, 'p') + "ç");
  f.edtEmpresa.EditedByUser(std::string(99, 'a') + "ÃÃ");
  EXPECT_EQ(f.edtEmpresa.Text(), std::string(99, 'A') + "Ã");
  EXPECT_EQ(f.edtServidor.MaxLength(), 100);
  EXPECT_EQ(f.edtCaminho.MaxLength(), 200);
  EXPECT_EQ(f.edtEmpresa.MaxLength(), 100);
}

TEST(TfrmPrincipal, DownPageCanNotBeReachedWithMouseOrKeyboard) {
  TFormHarness h;
  TfrmPrincipal& f = h.form;
  f.chkEstacao.Click();
  EXPECT_FALSE(f.TabSheet1.TabVisible());
  const auto tabs = f.pc.VisibleTabs();
  ASSERT_EQ(tabs.size(), 2u);
  EXPECT_EQ(tabs[0], &f.tsLocal);
  EXPECT_EQ(tabs[1], &f.tsNuvens);
  for (int i = -1; i <= 4; ++i) {
    f.pc.ClickTab(i);
    EXPECT_NE(f.pc.ActivePage(), &f.TabSheet1) << "tab " << i;
  }
  for (int i = 0; i < 6; ++i) {
    f.pc.SelectNextPage(i % 3 != 0);
    EXPECT_NE(f.pc.ActivePage(), &f.TabSheet1) << "key " << i;
  }
}

TEST(TfrmPrincipal, InstallButtonHasTheColoursOfEachState) {
  TFormHarness h;
  auto& b = h.form.btnInstalar;
  using platform::ui::clBlack;
  using platform::ui::clBlue;
  const auto V = TGradientDirection::Vertical;
  EXPECT_EQ(b.State(), TGlowState::Normal);
  const auto& normal = b.StateColors(TGlowState::Normal);
  EXPECT_EQ(normal.upper.from, clBlue);
  EXPECT_EQ(normal.upper.to, clBlue);
  EXPECT_EQ(normal.lower.from, clBlue);
  EXPECT_EQ(normal.border, clBlue);

  b.SetHot(true);
  EXPECT_EQ(b.State(), TGlowState::Hot);
  const auto& hot = b.StateColors(TGlowState::Hot);
  EXPECT_EQ(hot.upper.from, 0xFFFDEBu);
  EXPECT_EQ(hot.upper.to, clBlack);
  EXPECT_EQ(hot.upper.direction, V);
  EXPECT_EQ(hot.lower.direction, V);
  EXPECT_EQ(hot.border, 0xDBCE99u);

  b.SetPressed(true);
  EXPECT_EQ(b.State(), TGlowState::Down);
  const auto& down = b.StateColors(TGlowState::Down);
  EXPECT_EQ(down.upper.from, clBlack);
  EXPECT_EQ(down.lower.from, 0xF1720Eu);
  EXPECT_EQ(down.lower.to, 0xFD9F4Cu);
  EXPECT_EQ(down.border, 0x7B6645u);

  b.SetPressed(false);
  b.SetHot(false);
  b.SetChecked(true);
  EXPECT_EQ(b.State(), TGlowState::Checked);
  EXPECT_EQ(b.StateColors(TGlowState::Checked).upper.direction, V);
  EXPECT_EQ(b.StateColors(TGlowState::Checked).lower.direction, TGradientDirection::Horizontal);

  b.SetEnabled(false);
  EXPECT_EQ(b.State(), TGlowState::Disabled);
  const auto& disabled = b.StateColors(TGlowState::Disabled);
  EXPECT_EQ(disabled.upper.from, 0xF2F2F2u);
  EXPECT_EQ(disabled.lower.from, 0xB6B6B6u);
  EXPECT_EQ(disabled.lower.to, 0xF2F2F2u);
  EXPECT_FALSE(disabled.border.has_value());
}

TEST(TfrmPrincipal, ProgressBarKeepsA32BitRange) {
  TFormHarness h;
  auto& bar = h.form.ProgressBar1;
  bar.SetMax(INT32_MAX);
  bar.SetPosition(2'000'000'000);
  EXPECT_EQ(bar.Position(), 2'000'000'000);
  EXPECT_NEAR(bar.Fraction(), 2e9 / INT32_MAX, 1e-9);
  bar.SetPosition(-5);
  EXPECT_EQ(bar.Position(), 0);
  bar.SetMax(100);
  bar.SetPosition(250);
  EXPECT_EQ(bar.Position(), 100);
}

TEST(TApplication, ErrorBoxAddsAFullStopAfterLettersOnly) {
  installer::TRecordingUiService service;
  platform::ui::TApplication app(service);
  app.SetTitle("VareloSoft - Instalador");
  app.ShowException(std::runtime_error("Unable to write to c:\\Varelo\\Ondrel.ini"));
  app.ShowException(std::runtime_error("Já instalado."));
  app.ShowException(std::runtime_error("Falhou!"));
  app.ShowException(std::runtime_error("Instalação"));
  app.MessageBox("Instalação concluída");
  ASSERT_EQ(service.boxes.size(), 5u);
  EXPECT_EQ(service.boxes[0].text, "Unable to write to c:\\Varelo\\Ondrel.ini.");
  EXPECT_EQ(service.boxes[1].text, "Já instalado.");
  EXPECT_EQ(service.boxes[2].text, "Falhou!");
  EXPECT_EQ(service.boxes[3].text, "Instalação.");
  for (int i = 0; i < 4; ++i)
    EXPECT_TRUE(service.boxes[i].error);
  EXPECT_FALSE(service.boxes[4].error);
  EXPECT_EQ(service.boxes[4].text, "Instalação concluída");
  for (const auto& box : service.boxes)
    EXPECT_EQ(box.caption, "VareloSoft - Instalador");
}

}  // namespace
}  // namespace installer
