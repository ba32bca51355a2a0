#include "View.h"

#include "PrintInfo.h"
#include "Prompts.h"
#include "WinApp.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>

void CView::OnFilePrint(bool direct)
{
    CPrintInfo info;
    info.m_bDirect = direct;
    if (!OnPreparePrinting(info))
        return;
    PrintPages(info);
}

void CView::OnFilePrintPreview()
{
    CPrintInfo info;
    info.m_bPreview = true;
    if (!OnPreparePrinting(info))
        return;
    CWinApp* app = CWinApp::Instance();
    QPrintPreviewDialog preview(info.m_pPrinter, app != nullptr ? app->GetMainWnd() : nullptr);
    // The preview asks for the pages whenever it lays them out anew (page
    // setup, orientation); each time they are drawn as for the printer.
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [this, &info](QPrinter* printer) {
        CPrintInfo pageInfo = info;
        pageInfo.m_pPrinter = printer;
        PrintPages(pageInfo);
    });
    prompts::RunModal(preview);
}

bool CView::DoPreparePrinting(CPrintInfo& info)
{
    CWinApp* app = CWinApp::Instance();
    if (app == nullptr)
        return false;
    info.m_pPrinter = app->Printer();
    info.m_nFromPage = info.GetMinPage();
    info.m_nToPage = info.GetMaxPage();
    if (info.m_bDirect || info.m_bPreview)
        return true;

    QPrintDialog dialog(info.m_pPrinter, app->GetMainWnd());
    dialog.setMinMax(info.GetMinPage(), info.GetMaxPage());
    if (prompts::RunModal(dialog) != QDialog::Accepted)
        return false;
    if (info.m_pPrinter->printRange() == QPrinter::PageRange) {
        info.m_nFromPage = std::max(info.GetMinPage(), info.m_pPrinter->fromPage());
        info.m_nToPage = std::min(info.GetMaxPage(), info.m_pPrinter->toPage());
    }
    return info.m_nFromPage <= info.m_nToPage;
}

bool CView::PrintPages(CPrintInfo& info)
{
    QPrinter* printer = info.m_pPrinter;
    QPainter painter;
    if (printer == nullptr || !painter.begin(printer)) {
        prompts::ShowMessage(QStringLiteral("Printing could not start: the printer, or the file to print to, "
                                            "cannot be opened."));
        return false;
    }
    OnBeginPrinting(painter, info);
    for (int page = info.m_nFromPage; page <= info.m_nToPage; ++page) {
        if (page > info.m_nFromPage)
            printer->newPage();
        info.m_nCurPage = page;
        info.m_rectDraw = QRect(0, 0, printer->width(), printer->height());
        painter.save();
        OnPrint(painter, info);
        painter.restore();
    }
    OnEndPrinting(painter, info);
    painter.end();
    return true;
}

bool CView::OnPreparePrinting(CPrintInfo& info)
{
    return DoPreparePrinting(info);
}

void CView::OnBeginPrinting(QPainter&, CPrintInfo&)
{
}

void CView::OnPrint(QPainter& painter, CPrintInfo& info)
{
    OnDraw(painter, info.m_rectDraw);
}

void CView::OnEndPrinting(QPainter&, CPrintInfo&)
{
}
