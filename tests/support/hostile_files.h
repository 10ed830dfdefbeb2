// Files and file systems that misbehave, for the tests of what tegmora-fx
// does with them: bitmap headers that claim too much, files the
// process may not read, folders it may not write, a disk that fills up, paths
// that are not regular files.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>

namespace tegmora::hostile {

// The 54 bytes of a 24-bit Windows bitmap's file and info headers claiming
// `width` x `height` pixels (a negative height runs top-down), with no pixels
// after them.
inline QByteArray BitmapHeaderClaiming(std::int32_t width, std::int32_t height) {
    QByteArray bytes(54, '\0');
    const std::uint32_t fields[] = {54, 0, 54, 40, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
    bytes[0] = 'B';
    bytes[1] = 'M';
    qToLittleEndian<std::uint32_t>(fields, 6, bytes.data() + 2);  // file size .. height
    qToLittleEndian<std::uint16_t>(1, bytes.data() + 26);          // planes
    qToLittleEndian<std::uint16_t>(24, bytes.data() + 28);         // bits per pixel
    return bytes;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every entry of a folder, hidden ones too, so that a temporary file left
// behind shows.
inline QStringList EntriesIn(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

inline bool MakeFifo(const QString& path) {
    return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
}

inline bool SetMode(const QString& path, mode_t mode) {
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// Makes permissions on `tree` bite in this process for the length of the
// scope: run as root, hands `tree` to the unprivileged user and takes on that
// user's real and effective identity (access() asks the real one) until the
// scope ends, keeping root as the saved identity to come back to. Root
// reads and writes past permissions; anyone else needs nothing done.
class Unprivileged {
public:
    explicit Unprivileged(const QString& tree) {
        if (::geteuid() != 0) return;
        const std::filesystem::path root(QFile::encodeName(tree).toStdString());
        hand(root);
        for (auto entry = std::filesystem::recursive_directory_iterator(root);
             problem_.isEmpty() && entry != std::filesystem::recursive_directory_iterator(); ++entry)
            hand(entry->path());
        if (!problem_.isEmpty()) return;
        if (::setresgid(kUser, kUser, 0) != 0 || ::setresuid(kUser, kUser, 0) != 0) {
            problem_ = QStringLiteral("cannot take on the unprivileged user's identity: %1")
                           .arg(QString::fromLocal8Bit(std::strerror(errno)));
            Restore();
            return;
        }
        dropped_ = true;
    }
    ~Unprivileged() {
        if (dropped_) Restore();
    }
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

    // Why permissions cannot be made to bite here; empty when they do.
    const QString& problem() const { return problem_; }

private:
    static constexpr uid_t kUser = 65534;  // nobody

    void hand(const std::filesystem::path& path) {
        if (::lchown(path.c_str(), kUser, kUser) != 0)
            problem_ = QStringLiteral("cannot hand %1 to the unprivileged user: %2")
                           .arg(QString::fromStdString(path.string()), QString::fromLocal8Bit(std::strerror(errno)));
    }

    // Root's identity comes back for a process whose saved user is root.
    // Changing identity left the process undumpable, which would keep a leak
    // checker from inspecting it at exit.
    static void Restore() {
        [[maybe_unused]] const int user = ::setresuid(0, 0, 0);
        [[maybe_unused]] const int group = ::setresgid(0, 0, 0);
        ::prctl(PR_SET_DUMPABLE, 1);
    }

    bool dropped_ = false;
    QString problem_;
};

// A file system of `kibibytes` that fills up, mounted on a temporary folder
// for the life of the object. Mounting takes root; problem() says why there
// is no such disk otherwise.
class SmallDisk {
public:
    explicit SmallDisk(int kibibytes) {
        const QByteArray options = "size=" + QByteArray::number(kibibytes) + "k,mode=0755";
        if (::mount("tegmora-test", QFile::encodeName(path()).constData(), "tmpfs",
                    MS_NOSUID | MS_NODEV | MS_NOEXEC, options.constData()) == 0) {
            mounted_ = true;
            return;
        }
        problem_ = QStringLiteral("cannot mount a small file system (mounting needs root): %1")
                       .arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }
    // Why there is no small disk; empty when there is.
    const QString& problem() const { return problem_; }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
    QString problem_;
};

}  // namespace tegmora::hostile
