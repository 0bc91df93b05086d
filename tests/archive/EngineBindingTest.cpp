#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "archive/DLLLoader.h"
#include "archive/MessageIds.h"
#include "archive/ZADLLOpr.h"
#include "archive/ZipArca19.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "tests/archive/ScriptedDialog.h"
#include "tests/support/TempDir.h"

namespace varelo::test {
namespace {

using archive::TZADLLLoader;

TEST(EngineBinding, LibraryPathRules) {
  TTempPrefix prefix;
  ASSERT_TRUE(platform::ForceDirectories(InPrefix("c:\\Varelo")));
  struct TCase {
    std::string directory;
    std::string path;
  };
  const std::vector<TCase> cases = {
      {InPrefix("c:\\Varelo\\"), InPrefix("c:\\Varelo\\ArcaZip190.dll")},
      {InPrefix("c:\\Varelo"), InPrefix("c:\\Varelo\\ArcaZip190.dll")},
      {InPrefix("c:\\Varelo\\\\"), InPrefix("c:\\Varelo\\ArcaZip190.dll")},
      {"c:\\", "c:ArcaZip190.dll"},
      {"c:", "c:ArcaZip190.dll"},
      {"", "ArcaZip190.dll"},
      {InPrefix("c:\\missing\\deeper\\"), "ArcaZip190.dll"},  // the parent folder does not exist
      {InPrefix("c:\\Varelo\\engine.DLL"), InPrefix("c:\\Varelo\\engine.DLL")},
      {InPrefix("c:\\other\\Engine.dll"),
       InPrefix("c:\\other\\Engine.dll")},  // a file name is taken as it is
  };
  for (const TCase& c : cases)
    EXPECT_EQ(TZADLLLoader::LibraryPathFor(c.directory), c.path) << c.directory;
  const std::string relative = TZADLLLoader::LibraryPathFor(".\\engines");
  EXPECT_NE(relative.find("/.\\engines\\ArcaZip190.dll"), std::string::npos) << relative;
}

// A worker outside any component, for driving the callback dispatcher directly.
class Dispatcher : public ::testing::Test {
 protected:
  Dispatcher() : worker(nullptr, events) {}
  TZCallBackStruct Record(int action, uint32_t arg1 = 0, int32_t arg3 = 0) {
    TZCallBackStruct r{};
    r.Caller = &worker;
    r.Version = kAZVersion;
    r.ActionCode = action;
    r.Arg1 = arg1;
    r.Arg3 = arg3;
    r.Check = kAZCallbackCheck;
    return r;
  }
  static std::string Reply(const TZCallBackStruct& r) {
    if (r.HaveWide == 0)
      return static_cast<const char*>(r.MsgP);
    return platform::Utf16ToUtf8(static_cast<const char16_t*>(r.MsgP));
  }
  archive::TZipArcaEvents events;
  archive::TZADLLOpr worker;
};

TEST_F(Dispatcher, RecordChecksAndPlainAnswers) {
  TZCallBackStruct bad = Record(zacItem);
  bad.Check = 1798;
  EXPECT_EQ(archive::TZADLLOpr::CallbackFunc(&bad), -5);
  for (int action : {int{zacTick}, int{zacNone}, int{zacWinErr}, 21, 63}) {
    TZCallBackStruct r = Record(action);
    EXPECT_EQ(archive::TZADLLOpr::CallbackFunc(&r), -1) << action;
  }
  TZCallBackStruct unknownArg = Record(zacArg, 9);
  EXPECT_EQ(archive::TZADLLOpr::CallbackFunc(&unknownArg), -5);
  TZCallBackStruct negativeIndex = Record(zacArg, zaaFSpecArgs, -1);
  EXPECT_EQ(archive::TZADLLOpr::CallbackFunc(&negativeIndex), -5);
  TZStreamRec stream{};
  stream.Check = 1802;
  EXPECT_EQ(archive::TZADLLOpr::StreamFunc(&stream), -5);
}

TEST_F(Dispatcher, ArgumentRequestsTable) {
  worker.Password = "segredo";
  worker.ExtrBaseDir = "c:\\Varelo\\Banco\\";
  worker.TempDir = "c:\\temp\\";
  worker.ZipComment = "coment\xE1rio";
  worker.FSpecArgs = {"*.*", "ação.txt"};
  struct TCase {
    uint32_t which;
    int32_t index;
    int result;
    std::string reply;
    int32_t arg3;
  };
  const std::vector<TCase> cases = {
      {zaaPassword, 0, 1, "segredo", 0},
      {zaaRootDir, 0, 1, "", 0},
      {zaaExtrBaseDir, 0, 1, "c:\\Varelo\\Banco\\", 0},
      {zaaTempDir, 0, 1, "c:\\temp\\", 0},
      {zaaFSpecArgs, 0, 1, "*.*", 2},
      {zaaFSpecArgs, 1, 1, "ação.txt", 2},
      {zaaFSpecArgs, 2, 0, "", 2},
      {zaaFSpecArgsExcl, 0, 0, "", 0},
  };
  for (const TCase& c : cases) {
    TZCallBackStruct r = Record(zacArg, c.which, c.index);
    EXPECT_EQ(archive::TZADLLOpr::CallbackFunc(&r), c.result) << c.which << "/" << c.index;
    if (c.result == 1) {
      EXPECT_EQ(r.HaveWide, 1);
      EXPECT_EQ(Reply(r), c.reply) << c.which;
    }
    EXPECT_EQ(r.Arg3, c.which == zaaFSpecArgs || c.which == zaaFSpecArgsExcl ? c.arg3 : c.index);
  }
  TZCallBackStruct comment = Record(zacArg, zaaComment);
  EXPECT_EQ(archive::TZADLLOpr::CallbackFunc(&comment), 1);
  EXPECT_EQ(comment.HaveWide, 0);
  EXPECT_EQ(comment.Arg1, 10u);
  EXPECT_EQ(std::string(static_cast<const char*>(comment.MsgP)), "coment\xE1rio");
}

TEST_F(Dispatcher, EmptyReplyIsAValidPointerToFourZeroBytes) {
  TZCallBackStruct r = Record(zacArg, zaaRootDir);
  ASSERT_EQ(archive::TZADLLOpr::CallbackFunc(&r), 1);
  ASSERT_NE(r.MsgP, nullptr);
  EXPECT_EQ(std::memcmp(r.MsgP, "\0\0\0\0", 4), 0);
}

TEST_F(Dispatcher, ReplyBufferGrowsInGranules) {
  archive::TAZCallback callback;
  callback.ReplyBytes("");
  EXPECT_EQ(callback.HoldSize(), 0x200u);
  callback.ReplyBytes(std::string(0x1FB, 'a'));  // plus 4 still smaller than 0x200
  EXPECT_EQ(callback.HoldSize(), 0x200u);
  callback.ReplyBytes(std::string(0x1FC, 'a'));
  EXPECT_EQ(callback.HoldSize(), 0x400u);
  callback.ReplyWide(std::string(1000, 'w'));  // 2000 bytes
  EXPECT_EQ(callback.HoldSize(), 0x800u);
}

TEST_F(Dispatcher, MessagesSetTheErrorOnceAndCarryTheirPrefix) {
  std::vector<std::pair<int, std::string>> messages;
  events.OnMessage = [&](archive::TZipArca19*, int code, const std::string& text) {
    messages.emplace_back(code, text);
  };
  const std::string detail = ": c:\\x.txt";
  TZCallBackStruct first = Record(zacMessage, 0xA00 | 22);  // error with prefix, code 22
  first.MsgP = detail.c_str();
  EXPECT_EQ(archive::TZADLLOpr::CallbackFunc(&first), 0);
  TZCallBackStruct second = Record(zacMessage, 21);
  second.MsgP = "later";
  archive::TZADLLOpr::CallbackFunc(&second);
  TZCallBackStruct info = Record(zacMessage, 0);
  info.MsgP = "just saying";
  archive::TZADLLOpr::CallbackFunc(&info);
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0], std::make_pair(11670, std::string("Error creating file!: c:\\x.txt")));
  EXPECT_EQ(messages[1], std::make_pair(11669, std::string("later")));
  EXPECT_EQ(messages[2], std::make_pair(0, std::string("just saying")));
  EXPECT_EQ(worker.ErrCode, 11670);
  EXPECT_EQ(worker.DllErrCode, 0xA00 | 22);
}

TEST_F(Dispatcher, KeyOverwriteCrcSkipAndCancel) {
  TZCallBackStruct key = Record(zacKey, 4242);
  EXPECT_EQ(archive::TZADLLOpr::CallbackFunc(&key), 0);
  TZCallBackStruct overwrite = Record(zacOverwrite, 1);
  EXPECT_EQ(archive::TZADLLOpr::CallbackFunc(&overwrite), 0);  // no handler: the engine decides
  events.OnExtractOverwrite = [](archive::TZipArca19*, const std::string&, bool, bool& doIt, int) {
    doIt = false;
  };
  EXPECT_EQ(archive::TZADLLOpr::CallbackFunc(&overwrite), 2);
  events.OnCRC32Error = [](archive::TZipArca19*, const std::string&, uint32_t, uint32_t,
                           bool& doExtract) { doExtract = false; };
  TZCallBackStruct crc = Record(zacCRCError, 1, 0);
  EXPECT_EQ(archive::TZADLLOpr::CallbackFunc(&crc), 3);
  // Skips: a reason in NoSkipping aborts; others carry on.
  TZCallBackStruct dup = Record(zacSkipped, 0);
  dup.Arg2 = stDupName + 1;
  EXPECT_EQ(archive::TZADLLOpr::CallbackFunc(&dup), 1);
  TZCallBackStruct exists = Record(zacSkipped, static_cast<uint32_t>(-15));
  exists.Arg2 = stFileExists + 1;
  EXPECT_EQ(archive::TZADLLOpr::CallbackFunc(&exists), 0);
  EXPECT_EQ(worker.DllErrCode, 15);
  // A pending cancel turns every answer into -2.
  worker.CancelCode = archive::msg::kUserCancel;
  TZCallBackStruct item = Record(zacItem);
  item.MsgP = "a.txt";
  EXPECT_EQ(archive::TZADLLOpr::CallbackFunc(&item), -2);
}

TEST_F(Dispatcher, EventHandlerExceptionsNeverReachTheEngine) {
  events.OnProgress = [](archive::TZipArca19*, const archive::TZAProgressDetails&) {
    throw std::runtime_error("handler broke");
  };
  TZCallBackStruct item = Record(zacItem);
  item.MsgP = "a.txt";
  EXPECT_EQ(archive::TZADLLOpr::CallbackFunc(&item), -4);
  EXPECT_EQ(worker.CancelCode, archive::msg::kEventException);
  EXPECT_EQ(worker.EventErr, " #1 \"handler broke\"");
}

TEST_F(Dispatcher, PasswordRequests) {
  TScriptedDialog dialog;
  worker.Presenter = &dialog;
  struct TCase {
    int answer;
    const char* typed;
    int result;
    const char* reply;
  };
  const std::vector<TCase> cases = {{archive::kResultOK, "abc", 1, "abc"},
                                    {archive::kResultOK, "", 2, nullptr},
                                    {archive::kResultCancel, "abc", 2, nullptr},
                                    {archive::kResultAll, "abc", 3, nullptr},
                                    {0, "abc", -3, nullptr}};
  for (const TCase& c : cases) {
    worker.CancelCode = 0;
    dialog.answers = {c.answer};
    dialog.password = c.typed;
    TZCallBackStruct r = Record(zacPassword, 40);
    r.MsgP = "secret.txt";
    EXPECT_EQ(archive::TZADLLOpr::CallbackFunc(&r), c.result == -3 ? -2 : c.result) << c.answer;
    if (c.reply != nullptr) {
      EXPECT_EQ(Reply(r), c.reply);
    }
    EXPECT_LE(r.Arg1, 15u);
  }
  ASSERT_FALSE(dialog.shown.empty());
  const archive::TZipDialogLayout& layout = dialog.shown.front();
  EXPECT_TRUE(layout.password);
  EXPECT_EQ(layout.caption, "Password");
  ASSERT_EQ(layout.buttons.size(), 3u);
  EXPECT_EQ(layout.buttons[2].caption, "CancelAll");
  EXPECT_EQ(worker.CancelCode, archive::msg::kUserAbort);
}

TEST(ZipDialogBox, ButtonOrderCaptionsAndChoices) {
  using B = archive::TMsgDlgBtn;
  const archive::TZipDialogLayout all = archive::TZipDialogBox::Build(
      "t", archive::TZipDialogType::Warning, "x",
      {B::mbYesToAll, B::mbHelp, B::mbRetry, B::mbOK, B::mbYes, B::mbNoToAll, B::mbAll, B::mbIgnore,
       B::mbAbort, B::mbCancel, B::mbNo},
      false);
  const std::vector<std::pair<std::string, int>> expected = {
      {"&Yes", 6},   {"&No", 7},     {"&OK", 1},       {"&Cancel", 2}, {"&Abort", 3},
      {"&Retry", 4}, {"&Ignore", 5}, {"CancelAll", 8}, {"NoToAll", 9}, {"YesToAll", 10}};
  ASSERT_EQ(all.buttons.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(all.buttons[i].caption, expected[i].first);
    EXPECT_EQ(all.buttons[i].modalResult, expected[i].second);
    EXPECT_EQ(all.buttons[i].name, "ZADlg19" + std::to_string(i));
  }
  EXPECT_EQ(all.defaultButton, 2);
  EXPECT_EQ(all.cancelButton, 3);
  const auto yesNo = archive::TZipDialogBox::Build("t", archive::TZipDialogType::Confirmation, "x",
                                                   {B::mbNo, B::mbYes}, false);
  EXPECT_EQ(yesNo.defaultButton, 0);
  EXPECT_EQ(yesNo.cancelButton, 1);
  const auto retry = archive::TZipDialogBox::Build("t", archive::TZipDialogType::Error, "x",
                                                   {B::mbRetry, B::mbAbort}, false);
  EXPECT_EQ(retry.defaultButton, 1);
  EXPECT_EQ(retry.cancelButton, -1);
}

}  // namespace
}  // namespace varelo::test
