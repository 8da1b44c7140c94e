#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// Writes small executable shell scripts into a temporary directory for the process tests.
class ChildScripts {
public:
    bool isValid() const { return m_dir.isValid(); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QString write(const QString& name, const QByteArray& body)
    {
        const QString file = m_dir.filePath(name);
        QFile script(file);
        if (!script.open(QIODevice::WriteOnly))
            return {};
        script.write("#!/bin/sh\n" + body);
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return file;
    }

private:
    QTemporaryDir m_dir;
};
