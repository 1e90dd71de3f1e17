#include "translation.h"

#include <QLocale>
#include <QTranslator>

namespace Translation {

QString fileNameFor(const QString &localeName)
{
    return QStringLiteral("kesto_") + localeName.left(2);
}

bool load(QTranslator &translator)
{
    return translator.load(fileNameFor(QLocale::system().name()), QString(), QString(), QString());
}

} // namespace Translation
