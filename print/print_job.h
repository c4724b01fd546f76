// Printing a group's three pictures at their true size on one page, over Qt
// Print Support: the printer object of the main window (打印机1), the one job
// of one print command, and the command itself that a print button runs.
#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <memory>

#include "picture/picture.h"
#include "print/page_layout.h"
#include "slots/slot_model.h"

class QPainter;
class QPrinter;
class QWidget;

namespace tovalin::print {

class ProgressWindow;

// The name of every job, in the spooler and in the progress window.
inline constexpr char kJobName[] = "打印";

// The printer accepted in the last print dialog of this run, with the copies
// accepted there. Kept in memory only: every run starts from the system's
// default printer and one copy.
struct PrinterChoice {
    QString printer_name;  // empty: the system's default printer
    bool to_file = false;  // the dialog's "Print to File" entry was the one accepted
    int copies = 1;
};

// Tenths of a millimetre to device pixels at `dpi`, rounded to the nearest
// pixel. The point and the size are converted separately at the same scale,
// so a rectangle keeps its true size whatever its position.
QRect device_rect(PageRect r, double dpi_x, double dpi_y);

// Pictures are embedded at no more than this many pixels per inch of paper.
// A denser picture is reduced to it before embedding. The reason is the
// spooled job: Qt's PDF engine compresses lossless pictures with zlib, so a
// 12-megapixel photo costs a second of deflate and 20 MB of spool, while at
// 600 ppi the same card is 2.6 megapixels. Nothing is lost on paper: 600 ppi
// is an office printer's own resolution and finer than the eye resolves at
// reading distance. A sparser picture is embedded at its own size and the
// page scales it.
inline constexpr double kEmbedPpi = 600;

// The size a picture of `natural` size is decoded for and embedded at, when
// it is printed into `r`: each side at most the rectangle's side at
// kEmbedPpi, never more than the picture has.
picture::Size embedded_size(picture::Size natural, PageRect r);
// The decoder's target for `r`: the rectangle at kEmbedPpi.
picture::Size embed_target(PageRect r);

// The one job of one print command.
//
// Lifecycle:
//   closed  no painter on a printer and no progress window shown. A job is
//           closed before Printer::begin succeeds, after a begin that was
//           cancelled or failed, and after end() or "中止打印".
//   open    the painter is active on the printer, which means the document
//           and its only page are started, and the progress window is shown
//           (the program's other windows take no input meanwhile).
//   closed --open()--> open --close() or "中止打印"--> closed; a job never
//   opens twice. Drawing while closed does nothing; closing while closed
//   does nothing.
class PrintJob {
public:
    PrintJob(std::unique_ptr<QPrinter> printer, QString destination, QWidget* parent);
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    // Shows the progress window, then starts the document and its page.
    // False, with the progress window gone again, if the document cannot
    // be started.
    bool open();
    bool is_open() const { return open_; }

    // Where `r` lies in device pixels, from the top-left corner of the
    // printable area.
    QRect device_rect(PageRect r) const;

    // Stretches the whole picture into `r` as an opaque copy: what lies
    // beneath is replaced, transparency goes over white.
    void draw(picture::Bitmap bitmap, PageRect r);

    // Ends the page and the document (the spooler takes it, or the file is
    // complete) and closes the progress window.
    void close();

    const QPrinter& printer() const { return *printer_; }

private:
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPainter> painter_;
    QString destination_;
    QPointer<QWidget> parent_;
    // Created on open and kept until the job goes: "中止打印" closes the job
    // from inside the window's own click handler, so it is hidden then, not
    // destroyed.
    std::unique_ptr<ProgressWindow> progress_;
    bool open_ = false;
    bool opened_once_ = false;
};

// 打印机1: the main window's printer object. It holds the printer choice of
// the run, shared by both print buttons, and the job while one is open.
class Printer {
public:
    Printer();
    ~Printer();
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // Empty until a print command sets it, as it does before it begins.
    void set_job_name(const QString& name) { job_name_ = name; }
    const QString& job_name() const { return job_name_; }

    // The print dialog (and the save dialog when printing to a file), then
    // the progress window, the document and its page. A fresh printer every
    // time: the printer of the run and its copies are preset, portrait is
    // asked for, everything else is the printer's own default. False, with
    // nothing printed and nothing shown, on cancel or failure. Dialogs are
    // modal over `parent`.
    bool begin(QWidget* parent);
    bool is_open() const { return job_ && job_->is_open(); }
    // The open job, or none.
    PrintJob* job() { return is_open() ? job_.get() : nullptr; }
    // Closes the job if it is open and lets it go.
    void end();

    const PrinterChoice& choice() const { return choice_; }

private:
    QString job_name_;
    PrinterChoice choice_;
    std::unique_ptr<PrintJob> job_;
};

// The whole print command of one print button: job name, begin, then the
// group's slots top to bottom, each read afresh, decoded for its rectangle
// and drawn; then end. It reads the slots and never changes them.
void print_group(Printer& printer, const slots::SlotAccess& slots, slots::SlotGroup group, QWidget* parent = nullptr);

}  // namespace tovalin::print
