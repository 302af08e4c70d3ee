// Replays files through a harness without libFuzzer: each argument is a file or a folder
// of files, and every file is one input. The test suite runs each harness this way over
// its seed corpus and its regression inputs.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int replay(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 1;
    }
    const QByteArray bytes = file.readAll();
    std::fprintf(stderr, "%s\n", qPrintable(path));
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    int inputs = 0;
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (QFileInfo(arg).isDir()) {
            QDirIterator it(arg, QDir::Files, QDirIterator::Subdirectories);
            QStringList files;
            while (it.hasNext())
                files << it.next();
            files.sort();
            for (const QString& f : files) {
                failures += replay(f);
                ++inputs;
            }
        } else if (QFileInfo::exists(arg)) {
            failures += replay(arg);
            ++inputs;
        }
    }
    std::printf("%d inputs replayed\n", inputs);
    if (inputs == 0) {
        std::fprintf(stderr, "no input found\n");
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
