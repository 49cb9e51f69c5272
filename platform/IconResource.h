#pragma once

#include <QIcon>
#include <QPixmap>

namespace tolvane {

// The platform's standard icon size, the size a window icon is drawn at.
inline constexpr int kStandardIconSize = 32;

// The program's icon resources, compiled in as Qt resources under ":/icons/<number>.xpm".
class IconResource {
  public:
    static QString Path(int id);
    // Empty when the program holds no icon with that number.
    static QIcon Load(int id);
    static QPixmap LoadPixmap(int id, int size = kStandardIconSize);
};

}  // namespace tolvane
