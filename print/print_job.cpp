#include "print/print_job.h"

#include <cups/cups.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLibrary>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "picture/draw.h"
#include "print/progress_window.h"

namespace tovalin::print {

namespace {

// The print dialog of a one-page job. Without the page-range option Qt
// still lets a person expand the dialog and pick "Pages from", and a printer
// that takes page ranges turns "Pages" on when it is chosen. The range
// choices are taken away whenever the dialog is shown and whenever another
// printer is chosen, since Qt sets its widgets up again then.
class OnePageDialog : public QPrintDialog {
public:
    OnePageDialog(QPrinter* printer, QWidget* parent) : QPrintDialog(printer, parent) {
        // Connected after Qt's own handler, so it runs after it.
        if (auto* printers = findChild<QComboBox*>(QStringLiteral("printers")))
            connect(printers, &QComboBox::currentIndexChanged, this, [this] { take_page_choices_away(); });
    }
    void setVisible(bool visible) override {
        QPrintDialog::setVisible(visible);
        if (visible) take_page_choices_away();
    }

private:
    void take_page_choices_away() {
        for (const char* name : {"printRange", "pagesRadioButton", "printSelection", "printCurrentPage"})
            if (auto* choice = findChild<QWidget*>(QString::fromLatin1(name))) choice->setEnabled(false);
    }
};

constexpr double kUnitsPerInch = 254;  // tenths of a millimetre

int to_pixels(std::int32_t units, double dpi) { return static_cast<int>(std::lround(units * dpi / kUnitsPerInch)); }

// A device URI may carry a user name and password (ipp://user:pw@host/...);
// the progress window shows the rest.
QString without_user_info(const QString& uri) {
    const qsizetype scheme_end = uri.indexOf(QStringLiteral("://"));
    if (scheme_end < 0) return uri;
    const qsizetype host_start = scheme_end + 3;
    const qsizetype path_start = uri.indexOf(QLatin1Char('/'), host_start);
    const qsizetype at = uri.lastIndexOf(QLatin1Char('@'), path_start < 0 ? -1 : path_start);
    if (at < host_start || (path_start >= 0 && at > path_start)) return uri;
    return uri.left(host_start) + uri.mid(at + 1);
}

// What the printer's output goes to, as CUPS knows the queue: its device
// (file:/..., usb://..., socket://...) or, for a queue of another server,
// that server's queue.
//
// CUPS is opened here, not linked: with it come some twenty libraries
// (TLS, Kerberos, service discovery) whose loading and constructors cost
// every start of the program more than the rest of its start-up. By the time
// a job has a printer, Qt's own CUPS support has loaded it anyway.
QString port_of(const QString& printer_name) {
    using GetNamedDest = cups_dest_t* (*)(http_t*, const char*, const char*);
    using GetOption = const char* (*)(const char*, int, cups_option_t*);
    using FreeDests = void (*)(int, cups_dest_t*);
    static QLibrary cups(QStringLiteral("cups"), 2);
    const auto get_dest = reinterpret_cast<GetNamedDest>(cups.resolve("cupsGetNamedDest"));
    const auto get_option = reinterpret_cast<GetOption>(cups.resolve("cupsGetOption"));
    const auto free_dests = reinterpret_cast<FreeDests>(cups.resolve("cupsFreeDests"));
    if (!get_dest || !get_option || !free_dests) return {};

    cups_dest_t* dest = get_dest(CUPS_HTTP_DEFAULT, printer_name.toUtf8().constData(), nullptr);
    if (!dest) return {};
    const char* uri = get_option("device-uri", dest->num_options, dest->options);
    if (!uri) uri = get_option("printer-uri-supported", dest->num_options, dest->options);
    const QString port = uri ? without_user_info(QString::fromUtf8(uri)) : QString();
    free_dests(1, dest);
    return port;
}

// The output file when printing to a file; empty when cancelled.
QString ask_output_file(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("打印到文件"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // "打印输出文件 (*.prn)|*.prn|所有文件 (*.*)|*.*||" in Qt's form. Replacing
    // an existing file is asked about, as a save dialog does by default.
    dialog.setNameFilters({QStringLiteral("打印输出文件 (*.prn)"), QStringLiteral("所有文件 (*.*)")});
    dialog.setDefaultSuffix(QStringLiteral("prn"));
    dialog.selectFile(QStringLiteral("Output.prn"));
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

picture::Scaling print_scaling() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return picture::scaling_for_depth(screen ? screen->depth() : 32);
}

}  // namespace

QRect device_rect(PageRect r, double dpi_x, double dpi_y) {
    return {to_pixels(r.x, dpi_x), to_pixels(r.y, dpi_y), to_pixels(r.w, dpi_x), to_pixels(r.h, dpi_y)};
}

picture::Size embed_target(PageRect r) {
    const QRect d = device_rect(r, kEmbedPpi, kEmbedPpi);
    return {d.width(), d.height()};
}

picture::Size embedded_size(picture::Size natural, PageRect r) {
    const picture::Size t = embed_target(r);
    return {std::min(natural.width, t.width), std::min(natural.height, t.height)};
}

// ---- PrintJob ----

PrintJob::PrintJob(std::unique_ptr<QPrinter> printer, QString destination, QWidget* parent)
    : printer_(std::move(printer)), destination_(std::move(destination)), parent_(parent) {}

PrintJob::~PrintJob() { close(); }

bool PrintJob::open() {
    if (open_ || opened_once_) return false;
    opened_once_ = true;
    progress_ = std::make_unique<ProgressWindow>(printer_->docName(), destination_, [this] { close(); }, parent_);
    progress_->show();
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(printer_.get())) {
        progress_->hide();
        return false;
    }
    // Qt's PDF engine would otherwise re-encode every picture as JPEG, which
    // blurs the fine print of a scan.
    painter_->setRenderHint(QPainter::LosslessImageRendering);
    open_ = true;
    return true;
}

QRect PrintJob::device_rect(PageRect r) const {
    return print::device_rect(r, printer_->logicalDpiX(), printer_->logicalDpiY());
}

void PrintJob::draw(picture::Bitmap bitmap, PageRect r) {
    if (!open_ || bitmap.empty()) return;
    picture::flatten(bitmap, {255, 255, 255});
    const picture::Size size = embedded_size({bitmap.width, bitmap.height}, r);
    if (size.width != bitmap.width || size.height != bitmap.height) {
        // Reduced, never enlarged: a small picture is scaled by the page.
        if (auto reduced = picture::resample(bitmap, size, print_scaling())) bitmap = std::move(*reduced);
    }
    // Opaque after flattening: RGB32 has the same bytes as BGRA and tells the
    // PDF engine that there is no alpha to embed.
    const QImage image(bitmap.bgra.data(), bitmap.width, bitmap.height, static_cast<qsizetype>(bitmap.stride()),
                       QImage::Format_RGB32);
    painter_->drawImage(QRectF(device_rect(r)), image, QRectF(0, 0, bitmap.width, bitmap.height));
}

void PrintJob::close() {
    if (open_) {
        open_ = false;
        painter_->end();
    }
    if (progress_) progress_->hide();
}

// ---- Printer ----

Printer::Printer() = default;

Printer::~Printer() { end(); }

bool Printer::begin(QWidget* parent) {
    end();
    // A fresh printer: whatever the last dialog changed besides the printer
    // and the copies goes back to that printer's own defaults.
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (choice_.to_file) {
        printer->setOutputFormat(QPrinter::PdfFormat);
    } else if (!choice_.printer_name.isEmpty() && !QPrinterInfo::printerInfo(choice_.printer_name).isNull()) {
        printer->setPrinterName(choice_.printer_name);
    }
    printer->setPageOrientation(QPageLayout::Portrait);
    printer->setCopyCount(std::max(1, choice_.copies));
    printer->setDocName(job_name_);

    {
        OnePageDialog dialog(printer.get(), parent);
        // No page range and no selection: the job is one page.
        dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize |
                          QAbstractPrintDialog::PrintCollateCopies);
        // The dialog starts on the system's default printer and makes the
        // printer native again; asked once more, it shows its file entry.
        if (choice_.to_file) printer->setOutputFormat(QPrinter::PdfFormat);
        if (dialog.exec() != QDialog::Accepted) return false;
    }
    const bool to_file = printer->outputFormat() == QPrinter::PdfFormat;
    choice_ = {to_file ? QString() : printer->printerName(), to_file, std::max(1, printer->copyCount())};

    QString destination;
    if (to_file) {
        const QString path = ask_output_file(parent);
        if (path.isEmpty()) return false;
        printer->setOutputFileName(path);
        destination = QFileInfo(path).fileName();
    } else {
        destination = QStringLiteral("%1 上的 %2").arg(printer->printerName(), port_of(printer->printerName()));
    }

    // The page's origin is the top-left corner of the printable area: the
    // printer's minimum margins (from its PPD; none for a file), not Qt's
    // default 10 pt, which would shift every picture by 3.53 mm.
    const QPageLayout layout = printer->pageLayout();
    printer->setPageMargins(layout.minimumMargins(), layout.units());

    job_ = std::make_unique<PrintJob>(std::move(printer), destination, parent);
    return job_->open();
}

void Printer::end() {
    if (!job_) return;
    job_->close();
    job_.reset();
}

// ---- the print command ----

void print_group(Printer& printer, const slots::SlotAccess& slots, slots::SlotGroup group, QWidget* parent) {
    const PageLayout layout = page_layout(group);
    printer.set_job_name(QString::fromUtf8(kJobName));
    printer.begin(parent);
    const auto ids = slots::slots_of(group);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        // A closed job makes every later step do nothing; stopping here
        // spares the decoding and shows the same.
        if (!printer.is_open()) break;
        picture::Result<picture::Image> image = picture::Error::UnknownFormat;
        {
            const slots::Picture bytes = slots.picture(ids[i]);
            picture::DecodeOptions options;
            options.target = embed_target(layout[i]);
            image = picture::decode(bytes, options);
        }
        // The progress window repaints and "中止打印" takes effect here.
        QCoreApplication::processEvents();
        PrintJob* job = printer.job();
        if (!job) break;
        if (!image) continue;
        job->draw(std::move(image->pixels), layout[i]);
    }
    printer.end();
}

}  // namespace tovalin::print
