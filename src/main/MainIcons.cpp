#include "main/MainIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace td::icons {
namespace {

const QColor kNavy(0, 0, 128);

// A telephone handset lying across the picture, ear piece left.
void handset(QPainter& g, const QColor& c, qreal y = 10) {
    QPainterPath path;
    path.moveTo(4, y + 10);
    path.cubicTo(4, y - 2, 28, y - 2, 28, y + 10);
    g.setPen(QPen(c, 5, Qt::SolidLine, Qt::RoundCap));
    g.setBrush(Qt::NoBrush);
    g.drawPath(path);
    g.setPen(Qt::NoPen);
    g.setBrush(c);
    g.drawRoundedRect(QRectF(1, y + 8, 10, 6), 2, 2);
    g.drawRoundedRect(QRectF(21, y + 8, 10, 6), 2, 2);
}

void envelope(QPainter& g, const QRectF& r, const QColor& fill) {
    g.setPen(QPen(kNavy, 1.5));
    g.setBrush(fill);
    g.drawRect(r);
    QPainterPath flap;
    flap.moveTo(r.topLeft());
    flap.lineTo(r.center().x(), r.top() + r.height() * 0.55);
    flap.lineTo(r.topRight());
    g.setBrush(Qt::NoBrush);
    g.drawPath(flap);
}

void arrowRight(QPainter& g, const QPointF& from, qreal length, const QColor& c) {
    g.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPointF tip = from + QPointF(length, 0);
    g.drawLine(from, tip);
    g.drawLine(tip, tip + QPointF(-5, -5));
    g.drawLine(tip, tip + QPointF(-5, 5));
}

void speaker(QPainter& g) {
    g.setPen(QPen(kNavy, 1.5));
    g.setBrush(QColor(90, 90, 110));
    QPolygonF body;
    body << QPointF(3, 12) << QPointF(9, 12) << QPointF(16, 5) << QPointF(16, 27) << QPointF(9, 20)
         << QPointF(3, 20);
    g.drawPolygon(body);
}

void book(QPainter& g, const QColor& cover) {
    g.setPen(QPen(kNavy, 1.5));
    g.setBrush(cover);
    g.drawRoundedRect(QRectF(5, 3, 22, 26), 2, 2);
    g.setBrush(Qt::white);
    g.drawRect(QRectF(23, 5, 3, 22));  // pages
    g.setPen(QPen(QColor(255, 255, 255, 200), 2));
    g.drawLine(QPointF(8, 3), QPointF(8, 29));  // spine
}

void draw(QPainter& g, Picture p) {
    switch (p) {
        case Picture::Help: {
            g.setPen(QPen(kNavy, 1.5));
            g.setBrush(QColor(40, 110, 220));
            g.drawEllipse(QRectF(2, 2, 28, 28));
            QFont f("DejaVu Sans");
            f.setPixelSize(22);
            f.setBold(true);
            g.setFont(f);
            g.setPen(Qt::white);
            g.drawText(QRectF(2, 2, 28, 28), Qt::AlignCenter, "?");
            break;
        }
        case Picture::SetUp: {
            g.translate(16, 16);
            g.setPen(Qt::NoPen);
            g.setBrush(QColor(110, 110, 130));
            for (int i = 0; i < 8; ++i) {
                g.drawRect(QRectF(-3, -15, 6, 8));
                g.rotate(45);
            }
            g.setPen(QPen(kNavy, 1.5));
            g.drawEllipse(QPointF(0, 0), 10, 10);
            g.setBrush(QColor(235, 235, 240));
            g.drawEllipse(QPointF(0, 0), 4, 4);
            break;
        }
        case Picture::Call:
            handset(g, QColor(0, 150, 60), 12);
            g.setPen(QPen(QColor(0, 150, 60), 2, Qt::SolidLine, Qt::RoundCap));
            g.setBrush(Qt::NoBrush);
            g.drawArc(QRectF(10, 0, 12, 10), 30 * 16, 120 * 16);
            break;
        case Picture::HangUp:
            handset(g, QColor(200, 30, 30), 12);
            g.setPen(QPen(QColor(200, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
            g.drawLine(QPointF(12, 2), QPointF(20, 10));
            g.drawLine(QPointF(20, 2), QPointF(12, 10));
            break;
        case Picture::SoundUp:
        case Picture::SoundDown: {
            speaker(g);
            g.setBrush(Qt::NoBrush);
            g.setPen(QPen(kNavy, 2));
            g.drawArc(QRectF(12, 9, 10, 14), -60 * 16, 120 * 16);
            if (p == Picture::SoundUp) g.drawArc(QRectF(10, 5, 16, 22), -60 * 16, 120 * 16);
            QColor c = p == Picture::SoundUp ? QColor(0, 150, 60) : QColor(200, 30, 30);
            g.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap));
            g.drawLine(QPointF(22, 26), QPointF(30, 26));
            if (p == Picture::SoundUp) g.drawLine(QPointF(26, 22), QPointF(26, 30));
            break;
        }
        case Picture::PhoneBook:
            book(g, QColor(30, 90, 170));
            g.save();
            g.scale(0.45, 0.45);
            g.translate(20, 16);
            handset(g, Qt::white, 10);
            g.restore();
            break;
        case Picture::PBookModify: {
            g.setPen(QPen(kNavy, 1.5));
            g.setBrush(QColor(60, 60, 70));
            g.drawRoundedRect(QRectF(5, 2, 14, 28), 3, 3);
            g.setBrush(QColor(170, 220, 255));
            g.drawRect(QRectF(7, 5, 10, 9));
            g.setPen(QPen(QColor(230, 180, 40), 4, Qt::SolidLine, Qt::FlatCap));
            g.drawLine(QPointF(17, 27), QPointF(29, 12));
            g.setPen(QPen(kNavy, 1));
            g.drawLine(QPointF(15, 30), QPointF(17, 27));
            break;
        }
        case Picture::DateBook: {
            g.setPen(QPen(kNavy, 1.5));
            g.setBrush(Qt::white);
            g.drawRect(QRectF(3, 5, 26, 24));
            g.setBrush(QColor(210, 40, 40));
            g.drawRect(QRectF(3, 5, 26, 7));
            g.setPen(Qt::NoPen);
            g.setBrush(kNavy);
            for (int row = 0; row < 3; ++row)
                for (int col = 0; col < 4; ++col)
                    g.drawRect(QRectF(6 + col * 6, 15 + row * 4.5, 3, 2.5));
            g.setPen(QPen(kNavy, 2));
            g.drawLine(QPointF(9, 2), QPointF(9, 8));
            g.drawLine(QPointF(23, 2), QPointF(23, 8));
            break;
        }
        case Picture::MissCall: {
            handset(g, QColor(90, 90, 110), 14);
            g.setPen(QPen(QColor(210, 40, 40), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            g.setBrush(Qt::NoBrush);
            QPainterPath bend;
            bend.moveTo(8, 3);
            bend.lineTo(16, 11);
            bend.lineTo(26, 2);
            g.drawPath(bend);
            g.drawLine(QPointF(26, 2), QPointF(20, 2));
            g.drawLine(QPointF(26, 2), QPointF(26, 8));
            break;
        }
        case Picture::UnReadSMS:
            envelope(g, QRectF(2, 8, 26, 18), QColor(255, 240, 170));
            g.setPen(Qt::NoPen);
            g.setBrush(QColor(210, 40, 40));
            g.drawEllipse(QPointF(26, 8), 5, 5);
            break;
        case Picture::AllSMS:
            envelope(g, QRectF(8, 3, 22, 15), QColor(220, 235, 255));
            envelope(g, QRectF(5, 8, 22, 15), QColor(235, 245, 255));
            envelope(g, QRectF(2, 14, 22, 15), QColor(255, 240, 170));
            break;
        case Picture::SentSMS:
            envelope(g, QRectF(2, 4, 22, 15), QColor(255, 240, 170));
            g.setPen(QPen(kNavy, 2));
            for (int i = 0; i < 3; ++i) g.drawLine(QPointF(4, 22 + i * 4), QPointF(20, 22 + i * 4));
            arrowRight(g, QPointF(20, 12), 10, QColor(0, 150, 60));
            break;
        case Picture::ReSend: {
            envelope(g, QRectF(2, 12, 20, 14), QColor(255, 240, 170));
            g.setPen(QPen(QColor(0, 150, 60), 3, Qt::SolidLine, Qt::RoundCap));
            g.setBrush(Qt::NoBrush);
            g.drawArc(QRectF(14, 3, 14, 14), 200 * 16, -250 * 16);
            g.drawLine(QPointF(15, 12), QPointF(13, 6));
            g.drawLine(QPointF(15, 12), QPointF(20, 9));
            break;
        }
        case Picture::Send:
            envelope(g, QRectF(2, 7, 22, 16), QColor(255, 240, 170));
            arrowRight(g, QPointF(16, 24), 14, QColor(0, 150, 60));
            break;
        case Picture::Clear:
            g.setPen(QPen(QColor(200, 30, 30), 4, Qt::SolidLine, Qt::RoundCap));
            g.drawLine(QPointF(8, 8), QPointF(24, 24));
            g.drawLine(QPointF(24, 8), QPointF(8, 24));
            break;
    }
}

}  // namespace

QIcon icon(Picture p) {
    QPixmap pm(64, 64);
    pm.fill(Qt::transparent);
    QPainter g(&pm);
    g.setRenderHint(QPainter::Antialiasing);
    g.scale(2, 2);  // drawn on a 32x32 grid, kept sharp when scaled up
    draw(g, p);
    g.end();
    return QIcon(pm);
}

}  // namespace td::icons
