#pragma once
#include <string_view>

// The window's pictures, built into the program so that it needs no files beside it.
namespace installer::artwork {

std::string_view Banner();        // PNG, 599 x 133: the maker's banner across the top
std::string_view Illustration();  // JPEG, 225 x 225: the boxed product with its disc
std::string_view SecondLogo();    // PNG, 201 x 43: the product's logo, lower left
std::string_view Icon();          // PNG, 48 x 48: the product's icon

}  // namespace installer::artwork
