// What the print tests share: answering the dialogs of a print command the
// way a user would, rasterising what was printed, and finding where each
// picture landed on the sheet.
#pragma once

#include <QApplication>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "print/page_layout.h"
#include "slots/slot_model.h"

class QFileDialog;
class QPrintDialog;
class QWidget;

namespace tovalin::test {

// Answers the modal windows of a print command, in the order given. Each
// step waits for a modal window of its type to be active and acts on it; a
// step may open a further modal window (accepting a save dialog can ask
// about replacing a file), which the next step answers. Whatever is still
// waiting when the object goes, or a dialog that no step answers, is a test
// failure; such a dialog is cancelled so that the test ends.
class ModalAnswers : public QObject {
public:
    ModalAnswers();
    ~ModalAnswers() override;

    template <class T>
    ModalAnswers& then(std::function<void(T*)> act) {
        steps_.push_back({T::staticMetaObject.className(), [act](QWidget* w) {
                              if (auto* t = qobject_cast<T*>(w)) act(t);
                          }});
        return *this;
    }
    bool done() const { return steps_.empty(); }

private:
    struct Step {
        const char* type;
        std::function<void(QWidget*)> act;
    };
    void poll();
    std::deque<Step> steps_;
    int idle_polls_ = 0;
};

// The dialogs of one print into `file` as a person answers them: the print
// dialog's file entry, then the save dialog.
void answer_print_to_file(ModalAnswers& answers, const std::filesystem::path& file);

// In Qt's print dialog: the entry of the printer list that prints to a file
// (the last), a printer by name, the number of copies.
void choose_print_to_file(QPrintDialog* dialog);
void choose_printer(QPrintDialog* dialog, const QString& name);
void set_copies(QPrintDialog* dialog, int copies);
QString chosen_printer(QPrintDialog* dialog);
int shown_copies(QPrintDialog* dialog);
// The choices of what to print that a person can take in the dialog with
// its options expanded, by their names ("printAll", "printRange", ...).
QStringList page_choices(QPrintDialog* dialog);

// In a save dialog: the file to save to, typed into its name field as a
// user would. QFileDialog::selectFile leaves the field alone once it has
// the focus, which on a loaded machine it sometimes already has.
void choose_file(QFileDialog* dialog, const std::filesystem::path& file);

// An RGB raster of one page.
struct Raster {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    const std::uint8_t* at(int x, int y) const {
        return rgb.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
    }
};

inline constexpr int kRasterDpi = 600;

int pdf_pages(const std::filesystem::path& pdf);
// The first page at kRasterDpi.
Raster rasterise(const std::filesystem::path& pdf);

struct Rgb {
    int r, g, b;
};

// The bounding box of the pixels of one colour (each channel within
// `tolerance`), in raster pixels, right and bottom exclusive, and how many
// pixels of that colour it holds.
struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
    long long count = 0;
    long long area() const { return static_cast<long long>(right - left) * (bottom - top); }
};
std::optional<Box> find_colour(const Raster& raster, Rgb colour, int tolerance = 40);
bool is_colour(const Raster& raster, int x, int y, Rgb colour, int tolerance = 40);

// Where a page rectangle must land in raster pixels, given the printable
// area's offset from the sheet's corner in millimetres.
struct Expected {
    double left, top, right, bottom;
};
Expected expected_box(print::PageRect r, double offset_x_mm, double offset_y_mm);

// The largest distance in millimetres between a measured edge and where it
// belongs, and whether every edge lies within one raster pixel.
double edge_error_mm(const Box& box, const Expected& expected);
inline constexpr double kOnePixelMm = 25.4 / kRasterDpi;

// A slot model that lets a test act while the print command reads a slot.
class WatchedBoard : public slots::SlotBoard {
public:
    std::function<void(slots::SlotId)> on_read;
    slots::Picture picture(slots::SlotId id) const override {
        if (on_read) on_read(id);
        return SlotBoard::picture(id);
    }
};

// The print command's progress window while it is shown, or none.
QWidget* progress_window();
// Its rows of captions and texts, top to bottom.
std::vector<std::pair<QString, QString>> form_rows(QWidget* window);

}  // namespace tovalin::test
