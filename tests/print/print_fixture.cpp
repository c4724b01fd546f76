#include "print_fixture.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QPrintDialog>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/magick.h"

namespace tovalin::test {

namespace {

constexpr int kPollMs = 10;
// A dialog no step is waiting for is left alone this long before the test
// gives up on it (a hang guard, not a measure of speed).
constexpr int kIdlePollsBeforeGivingUp = 3000;

template <class T>
T* named_child(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << "the print dialog has no " << name;
    return child;
}

}  // namespace

ModalAnswers::ModalAnswers() { QTimer::singleShot(kPollMs, this, &ModalAnswers::poll); }

ModalAnswers::~ModalAnswers() {
    for (const Step& s : steps_) ADD_FAILURE() << "no " << s.type << " was shown";
}

void ModalAnswers::poll() {
    // A fresh single shot each time: a step that opens a nested modal loop
    // still gets the next poll inside that loop.
    QTimer::singleShot(kPollMs, this, &ModalAnswers::poll);
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    if (!steps_.empty() && modal->inherits(steps_.front().type)) {
        idle_polls_ = 0;
        Step step = std::move(steps_.front());
        steps_.pop_front();
        step.act(modal);
        return;
    }
    auto* dialog = qobject_cast<QDialog*>(modal);
    if (dialog && ++idle_polls_ > kIdlePollsBeforeGivingUp) {
        idle_polls_ = 0;
        ADD_FAILURE() << "a " << modal->metaObject()->className() << " was shown that no step answers";
        dialog->reject();
    }
}

void answer_print_to_file(ModalAnswers& answers, const std::filesystem::path& file) {
    answers
        .then<QPrintDialog>([](QPrintDialog* d) {
            choose_print_to_file(d);
            d->accept();
        })
        .then<QFileDialog>([file](QFileDialog* d) {
            choose_file(d, file);
            static_cast<QDialog*>(d)->accept();  // QFileDialog hides its override
        });
}

void choose_print_to_file(QPrintDialog* dialog) {
    if (auto* printers = named_child<QComboBox>(dialog, "printers")) printers->setCurrentIndex(printers->count() - 1);
}

void choose_printer(QPrintDialog* dialog, const QString& name) {
    auto* printers = named_child<QComboBox>(dialog, "printers");
    if (!printers) return;
    const int index = printers->findText(name);
    ASSERT_GE(index, 0) << name.toStdString() << " is not offered";
    printers->setCurrentIndex(index);
}

void set_copies(QPrintDialog* dialog, int copies) {
    if (auto* spin = named_child<QSpinBox>(dialog, "copies")) spin->setValue(copies);
}

QString chosen_printer(QPrintDialog* dialog) {
    auto* printers = named_child<QComboBox>(dialog, "printers");
    return printers ? printers->currentText() : QString();
}

int shown_copies(QPrintDialog* dialog) {
    auto* spin = named_child<QSpinBox>(dialog, "copies");
    return spin ? spin->value() : -1;
}

QStringList page_choices(QPrintDialog* dialog) {
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text().contains(QStringLiteral("Options")) && b->text().contains(QStringLiteral(">>"))) b->click();
    QStringList names;
    for (const char* name : {"printAll", "printRange", "pagesRadioButton", "printSelection", "printCurrentPage"}) {
        const auto* choice = dialog->findChild<QRadioButton*>(QString::fromLatin1(name));
        if (choice && choice->isVisibleTo(dialog) && choice->isEnabled()) names << choice->objectName();
    }
    return names;
}

void choose_file(QFileDialog* dialog, const std::filesystem::path& file) {
    dialog->setDirectory(QString::fromStdString(file.parent_path().string()));
    if (auto* name = named_child<QLineEdit>(dialog, "fileNameEdit"))
        name->setText(QString::fromStdString(file.filename().string()));
}

int pdf_pages(const std::filesystem::path& pdf) {
    std::istringstream info(run("pdfinfo " + quoted(pdf.string())));
    for (std::string line; std::getline(info, line);)
        if (line.rfind("Pages:", 0) == 0) return std::atoi(line.c_str() + 6);
    return -1;
}

Raster rasterise(const std::filesystem::path& pdf) {
    const std::filesystem::path prefix = pdf.parent_path() / (pdf.stem().string() + "-raster");
    run("pdftoppm -r " + std::to_string(kRasterDpi) + " -f 1 -l 1 -singlefile " + quoted(pdf.string()) + " " +
        quoted(prefix.string()));
    const std::filesystem::path ppm = prefix.string() + ".ppm";
    std::ifstream in(ppm, std::ios::binary);
    std::string magic;
    int maxval = 0;
    Raster r;
    in >> magic >> r.width >> r.height >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255 || r.width <= 0 || r.height <= 0) {
        ADD_FAILURE() << "pdftoppm wrote no 8-bit PPM for " << pdf;
        return {};
    }
    r.rgb.resize(static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height) * 3);
    in.read(reinterpret_cast<char*>(r.rgb.data()), static_cast<std::streamsize>(r.rgb.size()));
    std::filesystem::remove(ppm);
    return r;
}

bool is_colour(const Raster& raster, int x, int y, Rgb c, int tolerance) {
    const std::uint8_t* p = raster.at(x, y);
    return std::abs(p[0] - c.r) <= tolerance && std::abs(p[1] - c.g) <= tolerance && std::abs(p[2] - c.b) <= tolerance;
}

std::optional<Box> find_colour(const Raster& raster, Rgb colour, int tolerance) {
    Box box{raster.width, raster.height, 0, 0, 0};
    for (int y = 0; y < raster.height; ++y)
        for (int x = 0; x < raster.width; ++x)
            if (is_colour(raster, x, y, colour, tolerance)) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
                ++box.count;
            }
    if (box.count == 0) return std::nullopt;
    return box;
}

Expected expected_box(print::PageRect r, double offset_x_mm, double offset_y_mm) {
    const double px_per_mm = kRasterDpi / 25.4;
    const double left = (offset_x_mm + r.x / 10.0) * px_per_mm, top = (offset_y_mm + r.y / 10.0) * px_per_mm;
    return {left, top, left + r.w / 10.0 * px_per_mm, top + r.h / 10.0 * px_per_mm};
}

double edge_error_mm(const Box& box, const Expected& e) {
    // pdftoppm paints every pixel that a picture touches, so each edge lies
    // somewhere in the outermost painted pixel: its middle is the estimate,
    // at most half a pixel from the edge.
    const double left = box.left + 0.5, top = box.top + 0.5, right = box.right - 0.5, bottom = box.bottom - 0.5;
    const double worst = std::max({std::abs(left - e.left), std::abs(top - e.top), std::abs(right - e.right),
                                   std::abs(bottom - e.bottom)});
    if (std::getenv("PRINT_TEST_DEBUG"))
        std::printf("box %d %d %d %d expected %.2f %.2f %.2f %.2f\n", box.left, box.top, box.right, box.bottom, e.left,
                    e.top, e.right, e.bottom);
    return worst * 25.4 / kRasterDpi;
}

QWidget* progress_window() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QStringLiteral("正在进行打印，请稍候 ......")) return w;
    return nullptr;
}

std::vector<std::pair<QString, QString>> form_rows(QWidget* window) {
    std::vector<std::pair<QString, QString>> rows;
    auto* form = window->findChild<QFormLayout*>();
    if (!form) return rows;
    auto text = [](QLayoutItem* item) {
        auto* label = item ? qobject_cast<QLabel*>(item->widget()) : nullptr;
        return label ? label->text() : QString();
    };
    for (int row = 0; row < form->rowCount(); ++row)
        rows.emplace_back(text(form->itemAt(row, QFormLayout::LabelRole)), text(form->itemAt(row, QFormLayout::FieldRole)));
    return rows;
}

}  // namespace tovalin::test
