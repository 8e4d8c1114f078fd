// The lock files that keep two programs of this user off one unit: one file per
// unit in the user's runtime folder, named after the unit's serial number or
// path. A file left by a program that crashed is taken over.
#pragma once

#include "transport/UnitClaims.h"

#include <QLockFile>
#include <QString>

#include <memory>

class CUnitLocks : public CUnitClaims {
public:
    // folder: where the lock files go; the user's runtime folder when empty
    // ($XDG_RUNTIME_DIR, else the temporary folder).
    explicit CUnitLocks(const QString& folder = QString());

    bool Claim(const std::string& key, UnitHolder& holder) override;
    void Release() override;

    // The lock file of the unit known by key.
    QString LockFilePath(const std::string& key) const;

private:
    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;   // the unit this program has, if any
};
