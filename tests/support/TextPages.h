// Pages drawn from known text, for the tests of the text recognizer and of the window's build
// with it: about 150 dots per inch, in a Chinese font with Latin letters.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QTransform>
#include <string>
#include <vector>

namespace testing_support {

// A short notice in Chinese and English; its phrases are searched for.
inline const std::vector<std::string> kNotice{"各部门请于本周五前提交采购申请，",
                                              "逾期将顺延至下月处理。",
                                              "Please submit the purchase request by Friday."};

// The lines on a white page, one under the other, turned clockwise by degrees.
inline QImage TextPage(const std::vector<std::string>& lines, int degrees) {
    QImage page(1240, 1754, QImage::Format_RGB888);
    page.fill(Qt::white);
    QPainter painter(&page);
    QFont font("WenQuanYi Micro Hei");
    font.setPixelSize(34);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (size_t i = 0; i < lines.size(); ++i)
        painter.drawText(120, 200 + 60 * int(i), QString::fromStdString(lines[i]));
    painter.end();
    return page.transformed(QTransform().rotate(degrees));
}

}  // namespace testing_support
