#pragma once

#include <QString>

class QTranslator;

namespace Translation {

// "kesto_" and the first two characters of a locale name ("en_US" -> "kesto_en").
QString fileNameFor(const QString &localeName);

// Loads the translation of the system's language from the current working
// directory: kesto_xx.qm, kesto_xx, kesto.qm, kesto, the first that reads.
bool load(QTranslator &translator);

} // namespace Translation
