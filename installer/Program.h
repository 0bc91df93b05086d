#pragma once
#include <string>

#include "platform/ui/UiService.h"

namespace installer {

// The program itself: the application with its title, the installer window fetching from the
// distribution server at baseUrl, and the message loop until the window closes. The shipped
// program passes the server it was built for and the toolkit's screen service.
int RunInstaller(platform::ui::IUiService& screen, const std::string& baseUrl);

}  // namespace installer
