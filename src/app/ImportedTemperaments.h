// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "music/TemperamentTable.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quaverly {

// The user's temperaments imported from Scala .scl files. Each import is
// copied into the data folder as N.scl, N counting up, so the rows keep the
// order they were imported in and survive the original's loss. A name equal
// to a shipped one (ignoring case) or to equal temperament gets the suffix
// " (imported)", so both stay apart; a second import under a name already
// imported is refused, so nothing imported is replaced. Main thread only.
class ImportedTemperaments {
    Q_DECLARE_TR_FUNCTIONS(ImportedTemperaments)
public:
    struct Entry {
        QString name; // as the pop-up shows it
        QString path; // the copy
        TemperamentRow ratios{};
    };

    // `folder` by default is QStandardPaths::AppDataLocation/temperaments.
    explicit ImportedTemperaments(QString folder = {});

    // Reads every copy in the folder; one that no longer reads, or whose
    // name repeats an earlier one, is skipped with a line on stderr.
    void load(const TemperamentTable &builtIn);
    // Copies and adds the file; an empty text on success, else why not
    // (the file, the line and the reason), and nothing has changed.
    [[nodiscard]] QString import(const QString &path, const TemperamentTable &builtIn);
    // Removes the copy of that name; false when there is none or it cannot
    // be deleted (the row then stays).
    bool remove(const QString &name);

    [[nodiscard]] const std::vector<Entry> &entries() const { return mEntries; }
    [[nodiscard]] QStringList names() const;
    // `builtIn` with the imported rows after its own, in import order.
    [[nodiscard]] TemperamentTable table(TemperamentTable builtIn) const;

private:
    // The entry of a file's bytes, or the refusal's text.
    std::optional<Entry> read(const QString &path, const TemperamentTable &builtIn, QString &error) const;

    QString mFolder;
    std::vector<Entry> mEntries;
};

} // namespace quaverly
