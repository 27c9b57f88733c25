// SPDX-License-Identifier: GPL-3.0-or-later
#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace quaverly {
namespace {

// Where CMake embeds the compiled translations (quaverly_de.qm …).
constexpr char kTranslations[] = ":/i18n";

bool install(const QLocale &locale, const QString &name, const QString &directory)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(locale, name, QStringLiteral("_"), directory) && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

} // namespace

void installTranslations(const QLocale &locale)
{
    static bool installed = false;
    if (installed || !QCoreApplication::instance())
        return;
    installed = true;
    const QString ours = QString::fromLatin1(kTranslations);
    // Installed first so that it is asked last.
    install(QLocale(QLocale::English), QStringLiteral("quaverly"), ours);
    if (locale.language() == QLocale::English || locale.language() == QLocale::C)
        return;
    if (install(locale, QStringLiteral("quaverly"), ours))
        install(locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

} // namespace quaverly
