#include "IconResource.h"

namespace tolvane {

QString IconResource::Path(int id) {
    return QStringLiteral(":/icons/%1.xpm").arg(id);
}

QIcon IconResource::Load(int id) {
    const QPixmap pixmap(Path(id));
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

QPixmap IconResource::LoadPixmap(int id, int size) {
    const QPixmap pixmap(Path(id));
    if (pixmap.isNull() || pixmap.width() == size) {
        return pixmap;
    }
    return pixmap.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace tolvane
