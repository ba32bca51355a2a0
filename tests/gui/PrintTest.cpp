#include "OpenedApp.h"
#include "PrintGeometry.h"
#include "WinApp.h"

#include <QFile>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace guitest;
using printgeometry::Compute;

namespace {

constexpr int kResolution = 96;

// Rasterises a one-page PDF at the printer's resolution, so that a raster
// pixel is a printer pixel, counted from the paper's corner.
QImage Rasterise(const QString& pdf)
{
    const QString tool = QStandardPaths::findExecutable("pdftoppm");
    EXPECT_FALSE(tool.isEmpty()) << "pdftoppm (poppler-utils) is needed";
    const QString prefix = pdf + ".raster";
    QProcess process;
    process.start(tool, {"-r", QString::number(kResolution), "-png", "-singlefile", pdf, prefix});
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QImage(prefix + ".png").convertToFormat(QImage::Format_RGB32);
}

int PageCount(const QString& pdf)
{
    QProcess process;
    process.start(QStandardPaths::findExecutable("pdfinfo"), {pdf});
    EXPECT_TRUE(process.waitForFinished(60000));
    const QString info = QString::fromUtf8(process.readAllStandardOutput());
    const QRegularExpressionMatch match = QRegularExpression(R"(Pages:\s+(\d+))").match(info);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

class PrintTest : public ::testing::Test {
protected:
    // Points the application's printer at a PDF file in the test's folder,
    // on A4 paper with margins of half an inch across and three quarters
    // down (48 and 72 printer pixels), so that the offsets are unequal.
    QString UsePdfPrinter(CWinApp& app, const QString& name)
    {
        QPrinter* printer = app.Printer();
        printer->setOutputFormat(QPrinter::PdfFormat);
        const QString file = dir.filePath(name);
        printer->setOutputFileName(file);
        printer->setResolution(kResolution);
        printer->setFullPage(false);
        printer->setPageSize(QPageSize(QPageSize::A4));
        printer->setPageOrientation(QPageLayout::Portrait);
        printer->setPageMargins(QMarginsF(36, 54, 36, 54), QPageLayout::Point);
        return file;
    }

    // Accepts the print dialog, having checked that it works on the
    // application's printer; any other dialog is cancelled.
    void AcceptPrintDialogs(CWinApp& app)
    {
        prompts.answerModal = [this, &app](QDialog& dialog) {
            auto* print = qobject_cast<QPrintDialog*>(&dialog);
            if (print == nullptr)
                return int(QDialog::Rejected);
            ++printDialogs;
            EXPECT_EQ(print->printer(), app.Printer());
            return int(QDialog::Accepted);
        };
    }

    QTemporaryDir dir;
    PromptRecorder prompts;
    int printDialogs = 0;
};

}  // namespace

TEST_F(PrintTest, PrintPutsThePictureWhereTheGeometrySays)
{
    const int width = 40;
    const int height = 30;
    const QString path = WriteSample(dir.path(), "print.rpf", width, height);
    OpenedApp app(path);
    ASSERT_TRUE(app.Started());
    const QString pdf = UsePdfPrinter(app.App(), "print.pdf");
    AcceptPrintDialogs(app.App());

    ASSERT_TRUE(app.Run(ID_FILE_PRINT));
    EXPECT_EQ(printDialogs, 1);
    EXPECT_TRUE(prompts.messages.isEmpty());
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(PageCount(pdf), 1);

    const QImage page = Rasterise(pdf);
    ASSERT_FALSE(page.isNull());
    QPrinter* printer = app.App().Printer();
    const int offX = 48;
    const int offY = 72;
    const printgeometry::PageGeometry geometry =
        Compute(width, height, offX, offY, printer->width(), printer->height());
    ASSERT_GT(geometry.scale, 4.0);
    // On the paper the printable area starts at the offsets.
    const QRect onPaper = geometry.picture.translated(offX, offY);
    ASSERT_TRUE(page.rect().contains(onPaper));

    // Each picture pixel is a block of its own colour, hard-edged: its
    // centre and the pixels just inside its corners all match. Alpha is
    // never blended, although the sample's alpha runs through every value.
    const auto blockEdge = [&](int origin, int index) { return origin + int(index * geometry.scale); };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int left = blockEdge(onPaper.left(), x), right = blockEdge(onPaper.left(), x + 1);
            const int top = blockEdge(onPaper.top(), y), bottom = blockEdge(onPaper.top(), y + 1);
            for (const QPoint at : {QPoint((left + right) / 2, (top + bottom) / 2), QPoint(left + 1, top + 1),
                                    QPoint(right - 2, bottom - 2)}) {
                ASSERT_EQ(page.pixel(at), ShownSamplePixel(x, y))
                    << "picture pixel " << x << "," << y << " at " << at.x() << "," << at.y();
            }
        }
    }
    // White paper everywhere else: no background, no border.
    const QRect picture = onPaper.adjusted(-1, -1, 1, 1);
    int marked = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (!picture.contains(x, y) && page.pixel(x, y) != qRgb(255, 255, 255))
                ++marked;
        }
    }
    EXPECT_EQ(marked, 0);
}

TEST_F(PrintTest, EveryZoomPrintsTheSamePageAndDirectPrintAsksNothing)
{
    const QString path = WriteSample(dir.path(), "zoom.rpf", 64, 48);
    OpenedApp app(path, QSize(300, 200));
    ASSERT_TRUE(app.Started());

    std::vector<QImage> pages;
    for (int zoom : {1, 5, 10}) {
        app.SetZoom(zoom);
        const QString pdf = UsePdfPrinter(app.App(), QString("zoom%1.pdf").arg(zoom));
        ASSERT_TRUE(app.Run(ID_FILE_PRINT_DIRECT));
        pages.push_back(Rasterise(pdf));
    }
    EXPECT_TRUE(prompts.modalTitles.isEmpty());
    EXPECT_TRUE(prompts.messages.isEmpty());
    ASSERT_FALSE(pages[0].isNull());
    EXPECT_EQ(pages[0], pages[1]);
    EXPECT_EQ(pages[0], pages[2]);
}

TEST_F(PrintTest, CancelledDialogPrintsNothingAndNoPictureGivesABlankPage)
{
    const QString path = WriteSample(dir.path(), "cancel.rpf", 20, 20);
    OpenedApp app(path);
    ASSERT_TRUE(app.Started());

    const QString cancelled = UsePdfPrinter(app.App(), "cancelled.pdf");
    ASSERT_TRUE(app.Run(ID_FILE_PRINT));  // the recorder cancels the dialog
    EXPECT_EQ(prompts.modalTitles.size(), 1);
    EXPECT_FALSE(QFile::exists(cancelled));

    app.Doc()->DeleteContents();
    const QString blank = UsePdfPrinter(app.App(), "blank.pdf");
    ASSERT_TRUE(app.Run(ID_FILE_PRINT_DIRECT));
    EXPECT_EQ(PageCount(blank), 1);
    const QImage page = Rasterise(blank);
    ASSERT_FALSE(page.isNull());
    int marked = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x)
            marked += page.pixel(x, y) != qRgb(255, 255, 255);
    }
    EXPECT_EQ(marked, 0);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(PrintTest, APrinterThatCannotStartIsReported)
{
    const QString path = WriteSample(dir.path(), "nowhere.rpf", 10, 10);
    OpenedApp app(path);
    ASSERT_TRUE(app.Started());
    UsePdfPrinter(app.App(), "no-such-folder/out.pdf");
    ASSERT_TRUE(app.Run(ID_FILE_PRINT_DIRECT));
    EXPECT_EQ(prompts.messages.size(), 1);
    EXPECT_FALSE(QFile::exists(dir.filePath("no-such-folder/out.pdf")));
}

TEST_F(PrintTest, PreviewShowsExactlyOnePageOnTheSharedPrinter)
{
    const QString path = WriteSample(dir.path(), "preview.rpf", 200, 100);
    OpenedApp app(path);
    ASSERT_TRUE(app.Started());
    UsePdfPrinter(app.App(), "preview.pdf");

    int pages = -1;
    bool previewOnAppPrinter = false;
    bool setupOnAppPrinter = false;
    prompts.answerModal = [&](QDialog& dialog) {
        if (auto* preview = qobject_cast<QPrintPreviewDialog*>(&dialog)) {
            previewOnAppPrinter = preview->printer() == app.App().Printer();
            auto* widget = preview->findChild<QPrintPreviewWidget*>();
            if (widget != nullptr) {
                // Lays the pages out as showing the window would, which asks
                // the view to draw them.
                widget->updatePreview();
                pages = widget->pageCount();
            }
        }
        if (auto* setup = qobject_cast<QPageSetupDialog*>(&dialog))
            setupOnAppPrinter = setup->printer() == app.App().Printer();
        return int(QDialog::Rejected);
    };
    ASSERT_TRUE(app.Run(ID_FILE_PRINT_PREVIEW));
    EXPECT_EQ(pages, 1);
    EXPECT_TRUE(previewOnAppPrinter);
    EXPECT_FALSE(QFile::exists(dir.filePath("preview.pdf")));  // a preview prints nothing

    // Print Setup chooses the printer that the print commands use.
    ASSERT_TRUE(app.Run(ID_FILE_PRINT_SETUP));
    EXPECT_TRUE(setupOnAppPrinter);
    EXPECT_EQ(prompts.modalTitles.size(), 2);
}
