#include "tests/e2e/Installation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace varelo::e2e {

namespace fs = std::filesystem;

namespace {

// Text with its line ends shown, so that CR LF and LF tell apart in a failure's report.
std::string Visible(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n\n";
    else
      out += c;
  }
  return out;
}

}  // namespace

std::string BrastelIni(const std::string& nomeBanco, const std::string& caminhoBanco) {
  return "[Geral]\r\nEmpresa=VareloSoft Demonstracao\r\nVersao=2.4.17\r\n\r\n"
         "[ListaServidores]\r\nQuantidade=1\r\nNomeBanco1=" +
         nomeBanco + "\r\nCaminhoBanco1=" + caminhoBanco +
         "\r\n\r\n[Impressao]\r\nPorta=LPT1\r\nColunas=48\r\n";
}

std::string WithoutBlankLines(std::string text) {
  for (size_t at = text.find("\r\n\r\n"); at != std::string::npos; at = text.find("\r\n\r\n", at))
    text.erase(at, 2);
  return text;
}

void ExpectNothingInstalled(const std::string& drive, const std::set<std::string>& prefixOwn,
                            const std::string& shortcut) {
  const std::set<std::string> tree = Tree(drive, prefixOwn);
  EXPECT_TRUE(tree.empty()) << Listing(tree);
  EXPECT_FALSE(fs::exists(shortcut));
}

std::string TempFolder(const std::string& drive) {
  return drive + "/users/" + UserName() + "/Temp";
}

std::map<std::string, std::string> PackageFiles(const std::string& packageFolder,
                                                const std::string& package) {
  const std::string zip = packageFolder + "/" + package;
  std::string names;
  test::RunCommand({"unzip", "-Z1", zip}, &names);
  std::map<std::string, std::string> files;
  std::istringstream in(names);
  std::string name;
  while (std::getline(in, name)) {
    std::string bytes;
    test::RunCommand({"unzip", "-p", zip, name}, &bytes);
    files[name] = bytes;
  }
  return files;
}

std::set<std::string> Tree(const std::string& drive, const std::set<std::string>& skip) {
  std::set<std::string> tree;
  // Links are listed, never followed nor resolved: a prefix's folders may link elsewhere.
  for (auto it = fs::recursive_directory_iterator(drive); it != fs::recursive_directory_iterator();
       ++it) {
    const std::string rel = it->path().lexically_relative(drive).string();
    if (skip.count(rel.substr(0, rel.find('/')))) {
      it.disable_recursion_pending();
      continue;
    }
    tree.insert(it->is_directory() && !it->is_symlink() ? rel + "/" : rel);
  }
  return tree;
}

std::string Listing(const std::set<std::string>& tree) {
  std::string out;
  for (const auto& t : tree)
    out += "  " + t + "\n";
  return out;
}

std::vector<std::string> Requests(const TDistServer& server) {
  std::vector<std::string> requests;
  std::istringstream in(server.AccessLog());
  std::string line;
  while (std::getline(in, line)) {
    const size_t open = line.find('"');
    const size_t close = open == std::string::npos ? open : line.find('"', open + 1);
    if (close == std::string::npos)
      continue;
    std::string request = line.substr(open + 1, close - open - 1);
    request = request.substr(0, request.rfind(' '));  // without the protocol version
    const std::string status = line.substr(close + 2, 3);
    requests.push_back(request + " " + status);
  }
  return requests;
}

std::string UserName() {
  std::string out;
  test::RunCommand({"id", "-un"}, &out);
  return out.substr(0, out.find('\n'));
}

void ExpectInstalled(const TInstallPlace& place, const TExpected& expected) {
  std::set<std::string> want = {"Varelo/", "Varelo/ArcaZip190.dll"};
  std::map<std::string, std::string> bytes = {
      {"Varelo/ArcaZip190.dll", test::ReadFileBytes(place.packageFolder + "/ArcaZip190.dll")}};
  for (const auto& [folder, package] : expected.unpacked) {
    want.insert(folder + "/");
    for (const auto& [name, content] : PackageFiles(place.packageFolder, package)) {
      want.insert(folder + "/" + name);
      bytes[folder + "/" + name] = content;
    }
  }
  if (!expected.ondrelIni.empty()) {
    want.insert("Varelo/Ondrel.ini");
    bytes["Varelo/Ondrel.ini"] = expected.ondrelIni;
  }
  if (!expected.brastelIni.empty())
    bytes["Varelo/Brastel.ini"] = expected.brastelIni;
  const std::set<std::string> tree = Tree(place.drive, place.prefixOwn);
  EXPECT_EQ(tree, want) << "installed:\n" << Listing(tree) << "expected:\n" << Listing(want);
  for (const auto& [path, content] : bytes) {
    const std::string found = test::ReadFileBytes(place.drive + "/" + path);
    EXPECT_TRUE(found == content) << path << " differs; found " << found.size() << " bytes"
                                  << (found.size() < 512 ? ":\n" + Visible(found) : "")
                                  << "\nexpected " << content.size() << " bytes"
                                  << (content.size() < 512 ? ":\n" + Visible(content) : "");
  }
  ExpectShortcut(place.shortcut);
}

void ExpectShortcut(const std::string& shortcut) {
  std::string info;
  ASSERT_EQ(test::RunCommand({"lnkinfo", shortcut}, &info), 0) << info;
  EXPECT_NE(info.find("Local path\t\t\t: C:\\Varelo\\Ondrel.exe"), std::string::npos) << info;
  EXPECT_NE(info.find("Working directory\t\t: C:\\Varelo\\"), std::string::npos) << info;
  EXPECT_EQ(info.find("Command line arguments"), std::string::npos) << info;
}

namespace {

void CopyPackages(const std::string& from, const std::string& to) {
  namespace fs = std::filesystem;
  for (const auto& entry : fs::directory_iterator(from))
    fs::copy_file(entry.path(), fs::path(to) / entry.path().filename());
}

}  // namespace

TPackageCopy::TPackageCopy(const std::string& packageFolder) {
  CopyPackages(packageFolder, root_.Path());
}

void TPackageCopy::CutToHalf(const std::string& name) const {
  std::filesystem::resize_file(PathOf(name), std::filesystem::file_size(PathOf(name)) / 2);
}

TPackagesWithProduct::TPackagesWithProduct(const std::string& packageFolder,
                                           const std::map<std::string, std::string>& files,
                                           const std::string& password) {
  namespace fs = std::filesystem;
  CopyPackages(packageFolder, root_.Path());
  const std::string product = root_.Path() + "/VareloSoftInstalacao.zip";
  fs::remove(product);
  for (const auto& [name, text] : files) {
    if (name.back() == '/')
      fs::create_directories(content_ / name);
    else {
      fs::create_directories(fs::path(content_.Path() + "/" + name).parent_path());
      test::WriteFileBytes(content_.Path() + "/" + name, text);
    }
  }
  const std::vector<std::string> argv = {"sh", "-c",
                                         "cd '" + content_.Path() + "' && zip -q -r " +
                                             (password.empty() ? "" : "-P " + password + " ") +
                                             "'" + product + "' ."};
  std::string out;
  made_ = test::RunCommand(argv, &out) == 0 && fs::exists(product);
}

}  // namespace varelo::e2e
