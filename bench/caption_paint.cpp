// One PaintCaption of the gradient caption bar at 1280 and 3840 pixels wide, beside one plain
// fillRect of the same area on the same kind of surface: the floor any bar painting stands on.
// Goal: under 1 ms at 3840.

#include "chrome/GradForm.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

template <class F> double MedianMicroseconds(int runs, F&& f) {
    std::vector<double> t;
    t.reserve(std::size_t(runs));
    for (int i = 0; i < runs; ++i) {
        const auto a = std::chrono::steady_clock::now();
        f();
        const auto b = std::chrono::steady_clock::now();
        t.push_back(std::chrono::duration<double, std::micro>(b - a).count());
    }
    std::nth_element(t.begin(), t.begin() + runs / 2, t.end());
    return t[std::size_t(runs / 2)];
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TGradientForm form;
    form.SetCaption(QStringLiteral("Korvana 1.0.1.0 [libmysql: 3.3.20] - a caption of an ordinary length"));
    constexpr int Runs = 400;
    std::printf("%-8s %16s %22s %8s\n", "width", "PaintCaption us", "fillRect (same) us", "ratio");
    for (int width : {1280, 3840}) {
        form.resize(width, 400);
        QImage window(form.size(), QImage::Format_RGB32);
        QPainter p(&window);
        const QRect bar = form.PaintCaption(p, true); // warm: fonts, glyph cache, off-screen image
        const double paint = MedianMicroseconds(Runs, [&] { form.PaintCaption(p, true); });
        const double fill = MedianMicroseconds(Runs, [&] { p.fillRect(bar, QColor(0, 0, 128)); });
        std::printf("%-8d %16.1f %22.1f %8.1f\n", width, paint, fill, paint / fill);
    }
    return 0;
}
