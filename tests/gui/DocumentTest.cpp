#include "BrimwellDoc.h"
#include "GuiTestSupport.h"

#include <QFile>

using guitest::PromptRecorder;
using guitest::SampleColour;
using guitest::WriteSample;

namespace {

// The whole message: the reader's first line, its raising file and site as a
// path inside the project, and the system's reason when there is one.
void ExpectReportMessage(const QString& shown, const QString& path, const QString& firstLine,
                         const QString& sourceAndSite, const QString& reason = {})
{
    QString expected = QStringLiteral("ERROR opening file:\n\n") + path + QStringLiteral("\n\nerror=") + firstLine +
                       QStringLiteral("\n") + sourceAndSite + QStringLiteral("\n");
    if (!reason.isEmpty())
        expected += reason + QStringLiteral("\n");
    EXPECT_EQ(shown, expected);
}

}  // namespace

TEST(Document, OpensAFileIntoItsPictureSizeAndProducer)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString path = WriteSample(dir.path(), "shot.rpf", 7, 5, std::nullopt, "Renderer 2.1 (ZCIV)");
    CBrimwellDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(doc.rpf_width, 7);
    EXPECT_EQ(doc.rpf_height, 5);
    EXPECT_EQ(doc.GetProducer(), QStringLiteral("Renderer 2.1 (ZCIV)"));
    EXPECT_EQ(doc.rpf_path, path);
    ASSERT_EQ(doc.rpf_bmp.size(), QSize(7, 5));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            const SampleColour c = guitest::SamplePixel(x, y);
            ASSERT_EQ(doc.rpf_bmp.pixel(x, y),
                      qRgba(guitest::DisplayByteOf8Bit(c.red), guitest::DisplayByteOf8Bit(c.green),
                            guitest::DisplayByteOf8Bit(c.blue), guitest::DisplayByteOf8Bit(c.alpha)));
        }
    }
}

TEST(Document, ProducerFillingItsWholeFieldEndsAtTheFieldsEnd)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const std::string producer(64, 'p');
    CBrimwellDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(WriteSample(dir.path(), "long.rpf", 2, 2, std::nullopt, producer + "tail")));
    EXPECT_EQ(doc.GetProducer(), QString::fromStdString(producer));
}

TEST(Document, FailedOpenShowsOneMessageAndKeepsThePreviousPicture)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    CBrimwellDoc doc;
    const QString good = WriteSample(dir.path(), "good.rpf", 6, 4, std::nullopt, "First (Z)");
    ASSERT_TRUE(doc.OnOpenDocument(good));
    const QImage before = doc.rpf_bmp.copy();

    // A name the reader refuses before opening anything.
    const QString wrongName = dir.filePath("picture.rla");
    EXPECT_FALSE(doc.OnOpenDocument(wrongName));
    ASSERT_EQ(prompts.messages.size(), 1);
    ExpectReportMessage(prompts.messages[0], wrongName, "RLA::Leer. Not rpf file.", "RLA_Reader/RLA.cpp:25");

    // A missing file: one message only, the reader's.
    const QString missing = dir.filePath("missing.rpf");
    EXPECT_FALSE(doc.OnOpenDocument(missing));
    ASSERT_EQ(prompts.messages.size(), 2);
    ExpectReportMessage(prompts.messages[1], missing, "FileStream::FileStream()", "RLA_Reader/FileStream.cpp:18",
                        "No such file or directory");

    // A file whose header reads but whose scanlines are cut short: the new
    // sizes are known by then, and still nothing of the old picture changes.
    const QString truncated = WriteSample(dir.path(), "cut.rpf", 30, 20, std::nullopt, "Second (C)");
    {
        QFile file(truncated);
        ASSERT_TRUE(file.resize(file.size() - 3));
    }
    EXPECT_FALSE(doc.OnOpenDocument(truncated));
    ASSERT_EQ(prompts.messages.size(), 3);
    ExpectReportMessage(prompts.messages[2], truncated, "FileStream::Leer() leido != buffer_size",
                        "RLA_Reader/FileStream.cpp:36");

    EXPECT_EQ(doc.rpf_width, 6);
    EXPECT_EQ(doc.rpf_height, 4);
    EXPECT_EQ(doc.GetProducer(), QStringLiteral("First (Z)"));
    EXPECT_EQ(doc.rpf_bmp, before);
    EXPECT_EQ(doc.rpf_path, truncated);  // the latest attempt
}

TEST(Document, SecondOpenReplacesTheFirstPicture)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    CBrimwellDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(WriteSample(dir.path(), "a.rpf", 3, 3, SampleColour{255, 0, 0, 255})));
    ASSERT_TRUE(doc.OnOpenDocument(WriteSample(dir.path(), "b.rpf", 2, 1, SampleColour{0, 0, 255, 0})));
    EXPECT_EQ(doc.rpf_bmp.size(), QSize(2, 1));
    EXPECT_EQ(doc.Picture().pixel(1, 0), qRgb(0, 0, 255));
    doc.DeleteContents();
    EXPECT_FALSE(doc.HasPicture());
    // The sizes stay: they describe the last file that opened.
    EXPECT_EQ(doc.rpf_width, 2);
}
