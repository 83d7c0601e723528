#pragma once

#include <QTemporaryDir>
#include <QtTest>

// A temporary folder for one test case's files.
class TempDir {
public:
    TempDir() { QVERIFY2(dir_.isValid(), "cannot make a temporary folder"); }
    QString path(const QString &name) const { return dir_.filePath(name); }
    QString root() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};
