// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImportedTemperaments.h"

#include "app/ReadoutPanel.h"
#include "music/ScalaScale.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace quaverly {
namespace {

// The copies' numbers, ascending; other files are not ours.
std::vector<std::pair<qulonglong, QString>> copiesIn(const QString &folder)
{
    std::vector<std::pair<qulonglong, QString>> copies;
    const QDir dir(folder);
    for (const QFileInfo &file : dir.entryInfoList({QStringLiteral("*.scl")}, QDir::Files)) {
        bool number = false;
        const qulonglong n = file.completeBaseName().toULongLong(&number);
        if (number)
            copies.emplace_back(n, file.absoluteFilePath());
    }
    std::ranges::sort(copies);
    return copies;
}

} // namespace

ImportedTemperaments::ImportedTemperaments(QString folder)
    : mFolder(std::move(folder))
{
    if (mFolder.isEmpty())
        mFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/temperaments");
}

std::optional<ImportedTemperaments::Entry> ImportedTemperaments::read(const QString &path,
    const TemperamentTable &builtIn, QString &error) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return std::nullopt;
    }
    // One byte past the limit is enough to refuse a larger file.
    const QByteArray bytes = file.read(qint64(kMaxScalaFileBytes) + 1);
    const QByteArray fallback = QFileInfo(path).completeBaseName().toUtf8();
    const ScalaReading reading = readScalaScale(std::string_view(bytes.constData(), std::size_t(bytes.size())),
        std::string_view(fallback.constData(), std::size_t(fallback.size())));
    if (!reading.scale) {
        error = qs(reading.error.description());
        return std::nullopt;
    }
    Entry entry{qs(reading.scale->name), path, reading.scale->ratios};
    const auto shipped = [&](const QString &name) {
        if (name.compare(QStringLiteral("Equal Temperament"), Qt::CaseInsensitive) == 0)
            return true;
        return std::ranges::any_of(builtIn.names(),
            [&](const std::string &b) { return qs(b).compare(name, Qt::CaseInsensitive) == 0; });
    };
    if (shipped(entry.name))
        entry.name += QStringLiteral(" (imported)");
    return entry;
}

void ImportedTemperaments::load(const TemperamentTable &builtIn)
{
    mEntries.clear();
    for (const auto &[number, path] : copiesIn(mFolder)) {
        QString error;
        std::optional<Entry> entry = read(path, builtIn, error);
        if (entry && names().contains(entry->name))
            error = QStringLiteral("the name \"%1\" is taken by an earlier import").arg(entry->name);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "Quaverly: skipped the imported temperament %s: %s\n", qPrintable(path), qPrintable(error));
            continue;
        }
        mEntries.push_back(std::move(*entry));
    }
}

QString ImportedTemperaments::import(const QString &path, const TemperamentTable &builtIn)
{
    const QString shown = QFileInfo(path).fileName();
    QString error;
    std::optional<Entry> entry = read(path, builtIn, error);
    if (!entry)
        return tr("%1 cannot be imported: %2").arg(shown, error);
    if (names().contains(entry->name)) {
        return tr("%1 cannot be imported: a temperament named \u201C%2\u201D is imported already; remove it first.")
            .arg(shown, entry->name);
    }
    const auto copies = copiesIn(mFolder);
    const qulonglong next = copies.empty() ? 1 : copies.back().first + 1;
    const QString copy = QDir(mFolder).absoluteFilePath(QString::number(next) + QStringLiteral(".scl"));
    if (!QDir().mkpath(mFolder) || !QFile::copy(path, copy))
        return tr("%1 cannot be imported: it cannot be copied to %2.").arg(shown, mFolder);
    entry->path = copy;
    mEntries.push_back(std::move(*entry));
    return {};
}

bool ImportedTemperaments::remove(const QString &name)
{
    const auto it = std::ranges::find(mEntries, name, &Entry::name);
    if (it == mEntries.end() || !QFile::remove(it->path))
        return false;
    mEntries.erase(it);
    return true;
}

QStringList ImportedTemperaments::names() const
{
    QStringList list;
    for (const Entry &e : mEntries)
        list.push_back(e.name);
    return list;
}

TemperamentTable ImportedTemperaments::table(TemperamentTable builtIn) const
{
    for (const Entry &e : mEntries)
        builtIn = withRow(std::move(builtIn), e.name.toStdString(), e.ratios);
    return builtIn;
}

} // namespace quaverly
