#include "TellurixIcon.h"

#include <array>

namespace {
constexpr std::array<int, 6> kIconSizes{16, 32, 48, 64, 128, 256};

QString iconFile(int size)
{
    return QStringLiteral(":/icons/tellurix-%1.png").arg(size);
}
} // namespace

// The resources live in a static library; nothing would pull them into the program
// unless someone refers to them by name.
static void registerIconResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(tellurix);
        return true;
    }();
    Q_UNUSED(registered);
}

QIcon tellurixIcon()
{
    registerIconResources();
    QIcon icon;
    for (const int size : kIconSizes)
        icon.addFile(iconFile(size), QSize(size, size));
    return icon;
}

QPixmap tellurixPicture(const QSize &box)
{
    registerIconResources();
    // Scale down from the next larger drawing: it keeps the lines crisper than scaling up.
    for (const int size : kIconSizes) {
        if (size >= box.width() && size >= box.height())
            return QPixmap(iconFile(size)).scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return QPixmap(iconFile(kIconSizes.back()))
        .scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
