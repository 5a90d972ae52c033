#pragma once

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace quillpix::testing {

// A SANE configuration of the tests' own, for SANE_CONFIG_DIR: the test backend alone (its
// devices test:0 and test:1), its defaults set by lines of test.conf; or no backend at all.
class SaneConfig {
public:
    explicit SaneConfig(const QStringList& testConf = {}, bool testBackend = true) {
        write(QStringLiteral("dll.conf"), testBackend ? QByteArray("test\n") : QByteArray());
        if (!testConf.isEmpty())
            write(QStringLiteral("test.conf"), testConf.join(u'\n').toUtf8() + '\n');
    }
    QString path() const { return m_dir.path(); }

private:
    void write(const QString& name, const QByteArray& bytes) {
        QFile file(m_dir.filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }

    QTemporaryDir m_dir;
};

} // namespace quillpix::testing
