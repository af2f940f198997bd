#include "sourcefile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QTemporaryDir>

#include "testutil.h"

namespace {

TEST(SourceFile, reads_on_demand_and_reports_its_end) {
    QTemporaryDir dir;
    const QString path = dir.filePath("f.bin");
    testutil::writeFile(path, "0123456789");
    SourceFile f = SourceFile::open(path);
    ASSERT_TRUE(f.isOpen());
    EXPECT_EQ(f.length(), 10);
    EXPECT_EQ(f.read(4), QByteArray("0123"));
    EXPECT_EQ(f.position(), 4);
    EXPECT_FALSE(f.atEnd());
    EXPECT_EQ(f.read(0), QByteArray());
    EXPECT_EQ(f.read(-3), QByteArray());
    EXPECT_EQ(f.read(100), QByteArray("456789"));
    EXPECT_TRUE(f.atEnd());
    EXPECT_EQ(f.read(1), QByteArray());
    f.seekToStart();
    EXPECT_EQ(f.position(), 0);
    f.close();
    f.close();
}

TEST(SourceFile, reads_across_block_boundaries_return_the_file_exactly) {
    QTemporaryDir dir;
    const QString path = dir.filePath("f.bin");
    const QByteArray data = testutil::randomBytes(200 * 1000 + 17, 4);
    testutil::writeFile(path, data);
    SourceFile f = SourceFile::open(path);
    QByteArray back;
    for (int n : {1, 999, 65536 - 1000, 1000, 70000}) {
        back += f.read(n);
    }
    while (!f.atEnd()) {
        back += f.read(1000);
    }
    EXPECT_TRUE(back == data);
    EXPECT_EQ(f.position(), data.size());
    f.seekToStart();
    EXPECT_EQ(f.read(5), data.first(5));
}

TEST(SourceFile, none_and_closed_files_answer_alike) {
    QTemporaryDir dir;
    testutil::writeFile(dir.filePath("f"), "abc");
    SourceFile closed = SourceFile::open(dir.filePath("f"));
    closed.close();
    SourceFile none;
    for (SourceFile* f : {&none, &closed}) {
        EXPECT_EQ(f->length(), -1);
        EXPECT_EQ(f->position(), -1);
        EXPECT_TRUE(f->atEnd());
        EXPECT_EQ(f->read(10), QByteArray());
        f->seekToStart();
        f->close();
        EXPECT_EQ(f->position(), -1);
    }
}

TEST(SourceFile, refuses_what_is_not_a_readable_regular_file) {
    QTemporaryDir dir;
    struct Case {
        QString path;
        SourceFile::OpenError expected;
    };
    const Case cases[] = {
        {QString(), SourceFile::OpenError::EmptyPath},
        {dir.filePath("missing"), SourceFile::OpenError::Missing},
        {dir.path(), SourceFile::OpenError::NotARegularFile},
        {QStringLiteral("/dev/zero"), SourceFile::OpenError::NotARegularFile},
    };
    for (const Case& c : cases) {
        SourceFile::OpenError why = SourceFile::OpenError::None;
        EXPECT_FALSE(SourceFile::open(c.path, &why).isOpen()) << c.path.toStdString();
        EXPECT_EQ(why, c.expected) << c.path.toStdString();
    }
}

TEST(SourceFile, length_of_a_file_beyond_32_bits_is_not_wrapped) {
    QTemporaryDir dir;
    const QString path = dir.filePath("sparse");
    testutil::writeFile(path, {});
    ASSERT_EQ(::truncate(path.toLocal8Bit().constData(), 4294967296LL + 5), 0);
    SourceFile f = SourceFile::open(path);
    EXPECT_EQ(f.length(), 4294967296LL + 5);
}

}  // namespace
