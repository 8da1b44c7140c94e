#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

// Writes small shell scripts, executable unless told otherwise, into a temporary directory.
class ChildScripts {
public:
    bool isValid() const { return m_dir.isValid(); }
    QString path(const QString& name = {}) const { return m_dir.filePath(name); }

    // The name may hold folders; they are made as needed.
    QString write(const QString& name, const QByteArray& body, bool executable = true)
    {
        const QString file = m_dir.filePath(name);
        QFile script(file);
        if (!QDir().mkpath(QFileInfo(file).path()) || !script.open(QIODevice::WriteOnly))
            return {};
        script.write("#!/bin/sh\n" + body);
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner |
                              (executable ? QFile::ExeOwner : QFile::Permission{}));
        return file;
    }

private:
    QTemporaryDir m_dir;
};
