// Keeps a dialog's controls placed against its design layout as the window
// grows: a hidden copy of the dialog template gives each control's design
// rectangle, and each control's flags say which edges follow the extra
// width and height.
#pragma once

#include <windows.h>

#include <vector>

namespace tv::gui {

enum ResizeFlag : unsigned {
  kMoveLeft = 1,    // the left edge follows the extra width
  kMoveRight = 2,   // the right edge follows the extra width
  kMoveTop = 4,     // the top edge follows the extra height
  kMoveBottom = 8,  // the bottom edge follows the extra height
};

class ResizeContext {
 public:
  // Reads the design layout of template `templateId` from a hidden copy
  // made under `dialog` (and destroyed again). False when the copy cannot be made.
  bool Init(HWND dialog, UINT templateId);
  void Add(int controlId, unsigned flags);
  // Places the controls for the dialog's client size.
  void Apply(int clientWidth, int clientHeight) const;
  // The window size of the design layout: the smallest the window may get.
  SIZE MinimumSize() const { return m_minimumSize; }

 private:
  struct Placement {
    int id;
    unsigned flags;
    RECT design;
  };
  struct DesignPlace {
    int id;
    RECT place;
  };
  HWND m_hDialog = nullptr;
  std::vector<DesignPlace> m_design;
  SIZE m_designClient{};
  SIZE m_minimumSize{};
  std::vector<Placement> m_controls;
};

}  // namespace tv::gui
