// The product strings that the program reads from tvcore's settings at
// start-up and shows in its title and About box.
#pragma once

#include <string>

namespace tv::gui {

struct ProductStrings {
  std::string supportEmail, supportUrl, homeUrl, copyright, title, version, versionDescription;
  // Title, version and version description, each after a blank (none
  // after the version when there is no description).
  std::string WindowTitle() const {
    return title + " " + version + (versionDescription.empty() ? "" : " " + versionDescription);
  }
};

}  // namespace tv::gui
