// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the hint picture (the order of tuning steps on a treble staff) and writes it as a JPEG.
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdio> // before jpeglib.h, which uses FILE
#include <cstdlib>
#include <numbers>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 936;
constexpr int kHeight = 184;
constexpr int kQuality = 90;
constexpr double kGap = 14.0;   // distance between staff lines, in pixels
constexpr double kSmall = 0.68; // size of a comparison head relative to the head being set

const QString kFontFamily = QStringLiteral("IPAPGothic");
const QColor kInk(0x1d, 0x1d, 0x1f);
const QColor kStaffInk(0x55, 0x55, 0x5a);
const QColor kOctaveBlue(0x6f, 0x9c, 0xe6);
const QColor kFourthOlive(0xa3, 0xa8, 0x3c);
const QColor kFifthYellow(0xf4, 0xcf, 0x3a);

// ----------------------------------------------------------------------------------------------
// What the picture says: the twelve steps of the small cycle, in the order the hint text gives them.

enum class Accidental { None, Sharp, Flat };
enum class Interval { Octave, WideFourth, NarrowFifth };

struct Note {
    int letter; // 0 = C ... 6 = B
    int octave;
    Accidental accidental = Accidental::None;

    // Diatonic position: one per line or space on the staff.
    int degree() const { return octave * 7 + letter; }
};

constexpr int C = 0, D = 1, E = 2, F = 3, G = 4, A = 5, B = 6;

struct Step {
    Note from; // the comparison note, already tuned
    Note to;   // the note being set
    Interval interval;
};

// The temperament octave lies between F4 and E5, inside the staff; only the octave below the
// reference A reaches down to the ledger lines.
const std::vector<Step> kSteps = {
    {{A, 3}, {A, 4}, Interval::Octave},
    {{A, 4}, {E, 5}, Interval::NarrowFifth},
    {{A, 4}, {D, 5}, Interval::WideFourth},
    {{E, 5}, {B, 4}, Interval::WideFourth},
    {{B, 4}, {F, 4, Accidental::Sharp}, Interval::WideFourth},
    {{F, 4, Accidental::Sharp}, {D, 5, Accidental::Flat}, Interval::NarrowFifth},
    {{D, 5, Accidental::Flat}, {G, 4, Accidental::Sharp}, Interval::WideFourth},
    {{G, 4, Accidental::Sharp}, {E, 5, Accidental::Flat}, Interval::NarrowFifth},
    {{E, 5, Accidental::Flat}, {B, 4, Accidental::Flat}, Interval::WideFourth},
    {{B, 4, Accidental::Flat}, {F, 4}, Interval::WideFourth},
    {{F, 4}, {C, 5}, Interval::NarrowFifth},
    {{C, 5}, {G, 4}, Interval::WideFourth},
};

QColor ColourOf(Interval interval)
{
    switch (interval) {
    case Interval::Octave:
        return kOctaveBlue;
    case Interval::WideFourth:
        return kFourthOlive;
    case Interval::NarrowFifth:
        return kFifthYellow;
    }
    return kInk;
}

// ----------------------------------------------------------------------------------------------
// Layout of the staff.

struct Staff {
    double left = 14.0;
    double right = kWidth - 14.0;
    double topLine = 80.5; // on a pixel centre, so the lines stay crisp

    double bottomLine() const { return topLine + 4 * kGap; }
    // E4 sits on the bottom line; each diatonic degree is half a gap.
    double y(int degree) const { return bottomLine() - (degree - Note{E, 4}.degree()) * kGap / 2; }
    double y(const Note& note) const { return y(note.degree()); }
};

constexpr double kClefX = 46.0;
constexpr double kFirstColumnX = 128.0;
constexpr double kColumnPitch = 70.0;

double ColumnX(int index)
{
    return kFirstColumnX + index * kColumnPitch;
}

// ----------------------------------------------------------------------------------------------
// Glyphs, drawn as paths in units of the staff gap around their own origin.

QPainterPath Scaled(const QPainterPath& path, QPointF at, double scale)
{
    QTransform transform;
    transform.translate(at.x(), at.y());
    transform.scale(scale, scale);
    return transform.map(path);
}

QPainterPath NoteHeadShape()
{
    QPainterPath head;
    head.addEllipse(QPointF(0, 0), 0.66, 0.45);
    return QTransform().rotate(-22).map(head);
}

QPainterPath SharpShape()
{
    QPainterPath sharp;
    const double stroke = 0.11;
    sharp.addRect(QRectF(-0.24 - stroke / 2, -1.2, stroke, 2.62));
    sharp.addRect(QRectF(0.2 - stroke / 2, -1.42, stroke, 2.62));
    for (double middle : {-0.4, 0.4}) {
        // The thick bars rise to the right.
        QPainterPath bar;
        bar.moveTo(-0.5, middle + 0.28);
        bar.lineTo(0.46, middle + 0.02);
        bar.lineTo(0.46, middle - 0.28);
        bar.lineTo(-0.5, middle - 0.02);
        bar.closeSubpath();
        sharp = sharp.united(bar);
    }
    return sharp;
}

QPainterPath FlatShape()
{
    const double stem = -0.3;
    QPainterPath flat;
    flat.addRect(QRectF(stem - 0.06, -1.8, 0.12, 2.34));
    QPainterPath bowl;
    bowl.moveTo(stem, -0.12);
    bowl.cubicTo(-0.05, -0.5, 0.56, -0.56, 0.52, -0.12);
    bowl.cubicTo(0.49, 0.2, 0.05, 0.36, stem, 0.54);
    bowl.closeSubpath();
    QPainterPath hollow;
    hollow.moveTo(stem, 0.3);
    hollow.cubicTo(0.0, 0.14, 0.3, -0.04, 0.26, -0.21);
    hollow.cubicTo(0.22, -0.36, 0.0, -0.3, stem, 0.04);
    hollow.closeSubpath();
    return flat.united(bowl).subtracted(hollow);
}

// The treble clef follows the pen: from the inner end of the curl round the G line, out round
// the body, up across the stem into the top loop, down the stem and into the hook. Each point
// carries the pen's width there, in gaps.
struct PenPoint {
    double x, y, width;
};

// The curl: a clockwise spiral opening out from the G line; the pen is broad where the stroke
// runs up or down and fine where it turns across.
void AddCurl(std::vector<PenPoint>& pen)
{
    const double startAngle = 0.15 * std::numbers::pi, endAngle = 3.0 * std::numbers::pi;
    constexpr int kPoints = 18;
    for (int i = 0; i <= kPoints; ++i) {
        const double along = double(i) / kPoints;
        const double angle = startAngle + (endAngle - startAngle) * along;
        const double radius = 0.16 + 0.92 * along;
        const double width = 0.07 + along * (0.06 + 0.22 * std::abs(std::cos(angle)));
        pen.push_back({0.08 + radius * std::cos(angle), 0.12 + 1.12 * radius * std::sin(angle), width});
    }
}

std::vector<PenPoint> ClefPen()
{
    std::vector<PenPoint> pen;
    AddCurl(pen);
    // Up across the stem into the top loop, then down the stem into the hook.
    const std::vector<PenPoint> rest = {
        {-0.80, -0.85, 0.24}, {-0.30, -1.75, 0.20}, {0.22, -2.55, 0.17},  {0.50, -3.35, 0.15},
        {0.42, -4.10, 0.12},  {0.12, -4.52, 0.10},  {-0.18, -4.15, 0.12}, {-0.26, -3.40, 0.14},
        {-0.12, -2.20, 0.16}, {0.05, -0.80, 0.17},  {0.18, 0.60, 0.17},   {0.26, 1.80, 0.16},
        {0.18, 2.45, 0.14},   {-0.15, 2.70, 0.13},  {-0.48, 2.55, 0.12},
    };
    pen.insert(pen.end(), rest.begin(), rest.end());
    return pen;
}

QPointF CatmullRom(QPointF p0, QPointF p1, QPointF p2, QPointF p3, double t)
{
    const double t2 = t * t, t3 = t2 * t;
    return 0.5 * ((2 * p1) + (-p0 + p2) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t2 +
                  (-p0 + 3 * p1 - 3 * p2 + p3) * t3);
}

// A stroke whose width varies along a smooth curve through the pen points, as one filled outline.
QPainterPath PenStroke(const std::vector<PenPoint>& pen)
{
    struct Sample {
        QPointF at;
        double width;
    };
    std::vector<Sample> samples;
    const int count = int(pen.size());
    auto point = [&](int i) {
        const PenPoint& p = pen[std::clamp(i, 0, count - 1)];
        return QPointF(p.x, p.y);
    };
    constexpr int kPerSegment = 24;
    for (int i = 0; i + 1 < count; ++i) {
        for (int k = 0; k < kPerSegment; ++k) {
            const double t = double(k) / kPerSegment;
            samples.push_back({CatmullRom(point(i - 1), point(i), point(i + 1), point(i + 2), t),
                               pen[i].width + (pen[i + 1].width - pen[i].width) * t});
        }
    }
    samples.push_back({point(count - 1), pen.back().width});

    QPolygonF left, right;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const QPointF before = samples[i == 0 ? 0 : i - 1].at;
        const QPointF after = samples[std::min(i + 1, samples.size() - 1)].at;
        QPointF tangent = after - before;
        const double length = std::hypot(tangent.x(), tangent.y());
        tangent /= length;
        const QPointF normal(-tangent.y(), tangent.x());
        left << samples[i].at + normal * samples[i].width / 2;
        right << samples[i].at - normal * samples[i].width / 2;
    }
    std::reverse(right.begin(), right.end());
    QPainterPath stroke;
    stroke.setFillRule(Qt::WindingFill);
    stroke.addPolygon(left + right);
    stroke.closeSubpath();
    for (const Sample& end : {samples.front(), samples.back()})
        stroke.addEllipse(end.at, end.width / 2, end.width / 2);
    return stroke;
}

// ----------------------------------------------------------------------------------------------
// Drawing.

QFont PixelFont(int pixels)
{
    QFont font(kFontFamily);
    font.setPixelSize(pixels);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void FillShape(QPainter& painter, const QPainterPath& shape, const QColor& colour)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPath(shape);
}

void DrawStaffLines(QPainter& painter, const Staff& staff)
{
    painter.setPen(QPen(kStaffInk, 1.1, Qt::SolidLine, Qt::FlatCap));
    for (int line = 0; line < 5; ++line) {
        const double y = staff.topLine + line * kGap;
        painter.drawLine(QPointF(staff.left, y), QPointF(staff.right, y));
    }
}

void DrawClef(QPainter& painter, const Staff& staff)
{
    const QPointF gLine(kClefX, staff.y(Note{G, 4}));
    const std::vector<PenPoint> pen = ClefPen();
    QPainterPath clef = PenStroke(pen);
    clef.addEllipse(QPointF(pen.back().x + 0.08, pen.back().y - 0.12), 0.3, 0.3); // the ball of the hook
    FillShape(painter, Scaled(clef, gLine, kGap), kInk);
}

// Short lines for heads above or below the staff.
void DrawLedgerLines(QPainter& painter, const Staff& staff, double x, const Note& note)
{
    const int bottom = Note{E, 4}.degree(), top = Note{F, 5}.degree();
    painter.setPen(QPen(kStaffInk, 1.1, Qt::SolidLine, Qt::FlatCap));
    const double half = 0.95 * kGap;
    for (int degree = bottom - 2; degree >= note.degree(); degree -= 2)
        painter.drawLine(QPointF(x - half, staff.y(degree)), QPointF(x + half, staff.y(degree)));
    for (int degree = top + 2; degree <= note.degree(); degree += 2)
        painter.drawLine(QPointF(x - half, staff.y(degree)), QPointF(x + half, staff.y(degree)));
}

// The coloured bar that joins the two heads of a step and names its interval by colour.
void DrawIntervalBar(QPainter& painter, const Staff& staff, double x, const Step& step)
{
    const double top = std::min(staff.y(step.from), staff.y(step.to));
    const double bottom = std::max(staff.y(step.from), staff.y(step.to));
    const double halfWidth = 0.8 * kGap;
    const QRectF bar(x - halfWidth, top - halfWidth, 2 * halfWidth, bottom - top + 2 * halfWidth);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ColourOf(step.interval));
    painter.drawRoundedRect(bar, halfWidth, halfWidth);
}

struct PlacedHead {
    Note note;
    double scale;
};

QPainterPath AccidentalShape(Accidental accidental)
{
    return accidental == Accidental::Sharp ? SharpShape() : FlatShape();
}

// Accidentals stand left of the bar; when two would collide, the lower one steps further left.
void DrawAccidentals(QPainter& painter, const Staff& staff, double x, std::vector<PlacedHead> heads)
{
    std::sort(heads.begin(), heads.end(),
              [](const PlacedHead& a, const PlacedHead& b) { return a.note.degree() > b.note.degree(); });
    double nextX = x - 1.52 * kGap;
    double previousBottom = -1e9;
    for (const PlacedHead& head : heads) {
        if (head.note.accidental == Accidental::None)
            continue;
        const QPainterPath shape = AccidentalShape(head.note.accidental);
        const QPointF at(nextX, staff.y(head.note));
        QPainterPath placed = Scaled(shape, at, kGap * head.scale);
        if (placed.boundingRect().top() < previousBottom + 2) {
            placed.translate(-1.05 * kGap, 0);
            nextX -= 1.05 * kGap;
        }
        previousBottom = placed.boundingRect().bottom();
        FillShape(painter, placed, kInk);
    }
}

void DrawStepNumber(QPainter& painter, const Staff& staff, double x, int number)
{
    painter.setFont(PixelFont(13));
    painter.setPen(QColor(0x6a, 0x6a, 0x70));
    const QRectF box(x - 20, staff.topLine - 1.8 * kGap - 9, 40, 18);
    painter.drawText(box, Qt::AlignCenter, QString::number(number));
}

// Heads, ledger lines, accidentals and number of one step; its bar lies under the staff lines.
void DrawStep(QPainter& painter, const Staff& staff, int index)
{
    const Step& step = kSteps[index];
    const double x = ColumnX(index);
    DrawLedgerLines(painter, staff, x, step.from);
    DrawLedgerLines(painter, staff, x, step.to);
    FillShape(painter, Scaled(NoteHeadShape(), QPointF(x, staff.y(step.from)), kGap * kSmall), kInk);
    FillShape(painter, Scaled(NoteHeadShape(), QPointF(x, staff.y(step.to)), kGap), kInk);
    DrawAccidentals(painter, staff, x, {{step.from, kSmall}, {step.to, 1.0}});
    DrawStepNumber(painter, staff, x, index + 1);
}

// The title names the subject; the subtitle, lighter, the method.
void DrawTitle(QPainter& painter)
{
    const QPointF baseline(18, 26);
    const QString title = QStringLiteral("平均律オクターブの調律");
    QFont titleFont = PixelFont(20);
    titleFont.setWeight(QFont::Bold);
    painter.setFont(titleFont);
    painter.setPen(kInk);
    painter.drawText(baseline, title);

    const double titleWidth = QFontMetricsF(titleFont).horizontalAdvance(title);
    painter.setFont(PixelFont(15));
    painter.setPen(QColor(0x5a, 0x5a, 0x60));
    painter.drawText(baseline + QPointF(titleWidth + 14, 0), QStringLiteral("― 小循環による方法"));
}

// The legend, right-aligned in two rows: head sizes above, interval colours below.
class Legend {
public:
    explicit Legend(QPainter& painter) : painter_(painter), metrics_(PixelFont(13))
    {
        painter_.setFont(PixelFont(13));
    }

    void headRow(double y)
    {
        startRow(y);
        entry(QStringLiteral("比較する音"), [&](QPointF at) { head(at, kSmall); });
        entry(QStringLiteral("調律する音"), [&](QPointF at) { head(at, 1.0); });
    }

    void colourRow(double y)
    {
        startRow(y);
        entry(QStringLiteral("狭めの5度"), [&](QPointF at) { swatch(at, kFifthYellow); });
        entry(QStringLiteral("広めの4度"), [&](QPointF at) { swatch(at, kFourthOlive); });
        entry(QStringLiteral("完全8度"), [&](QPointF at) { swatch(at, kOctaveBlue); });
    }

private:
    static constexpr double kRight = kWidth - 18.0;
    static constexpr double kSymbolWidth = 22.0;

    void startRow(double y)
    {
        x_ = kRight;
        y_ = y;
    }

    // Entries are laid from the right edge leftwards.
    template <typename DrawSymbol> void entry(const QString& label, DrawSymbol drawSymbol)
    {
        const double textWidth = metrics_.horizontalAdvance(label);
        painter_.setPen(kInk);
        painter_.drawText(QPointF(x_ - textWidth, y_ + metrics_.ascent() / 2 - 1), label);
        drawSymbol(QPointF(x_ - textWidth - 6 - kSymbolWidth / 2, y_));
        x_ -= textWidth + 6 + kSymbolWidth + 18;
    }

    void head(QPointF at, double scale)
    {
        FillShape(painter_, Scaled(NoteHeadShape(), at, kGap * scale), kInk);
    }

    void swatch(QPointF at, const QColor& colour)
    {
        painter_.setPen(Qt::NoPen);
        painter_.setBrush(colour);
        painter_.drawRoundedRect(QRectF(at.x() - kSymbolWidth / 2, at.y() - 5, kSymbolWidth, 10), 5, 5);
    }

    QPainter& painter_;
    QFontMetricsF metrics_;
    double x_ = 0;
    double y_ = 0;
};

// At `scale` times the picture's size, for screens of that many device pixels per pixel.
QImage DrawHint(int scale)
{
    QImage image(kWidth * scale, kHeight * scale, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const Staff staff;
    for (int index = 0; index < int(kSteps.size()); ++index)
        DrawIntervalBar(painter, staff, ColumnX(index), kSteps[index]);
    DrawStaffLines(painter, staff);
    DrawClef(painter, staff);
    for (int index = 0; index < int(kSteps.size()); ++index)
        DrawStep(painter, staff, index);

    DrawTitle(painter);
    Legend legend(painter);
    legend.headRow(12);
    legend.colourRow(31);
    return image;
}

// ----------------------------------------------------------------------------------------------
// JPEG output through libjpeg: baseline, full-resolution chroma, JFIF 1.01 at 37 dots per cm.

// Owns a compress struct and the memory destination libjpeg fills. libjpeg's standard error
// handler reports and exits, which is what a command-line tool wants.
class JpegCompressor {
public:
    JpegCompressor()
    {
        info_.err = jpeg_std_error(&errors_);
        jpeg_create_compress(&info_);
        jpeg_mem_dest(&info_, &buffer_, &size_);
    }
    ~JpegCompressor()
    {
        jpeg_destroy_compress(&info_);
        std::free(buffer_);
    }
    JpegCompressor(const JpegCompressor&) = delete;
    JpegCompressor& operator=(const JpegCompressor&) = delete;

    QByteArray compress(const QImage& rgb)
    {
        info_.image_width = JDIMENSION(rgb.width());
        info_.image_height = JDIMENSION(rgb.height());
        info_.input_components = 3;
        info_.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info_);
        jpeg_set_quality(&info_, kQuality, TRUE);
        for (int i = 0; i < info_.num_components; ++i) {
            info_.comp_info[i].h_samp_factor = 1;
            info_.comp_info[i].v_samp_factor = 1;
        }
        info_.optimize_coding = TRUE;
        info_.write_JFIF_header = TRUE;
        info_.JFIF_major_version = 1;
        info_.JFIF_minor_version = 1;
        info_.density_unit = 2; // dots per centimetre
        info_.X_density = 37;
        info_.Y_density = 37;

        jpeg_start_compress(&info_, TRUE);
        while (info_.next_scanline < info_.image_height) {
            JSAMPROW row = const_cast<uchar*>(rgb.constScanLine(int(info_.next_scanline)));
            jpeg_write_scanlines(&info_, &row, 1);
        }
        jpeg_finish_compress(&info_);
        return QByteArray(reinterpret_cast<const char*>(buffer_), qsizetype(size_));
    }

private:
    jpeg_error_mgr errors_{};
    jpeg_compress_struct info_{};
    unsigned char* buffer_ = nullptr;
    unsigned long size_ = 0;
};

} // namespace

int main(int argc, char** argv)
{
    // Fonts need a GUI application, but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const int scale = argc == 3 ? std::atoi(argv[2]) : 1;
    if (argc < 2 || argc > 3 || scale < 1) {
        std::fprintf(stderr, "usage: %s OUTPUT.jpg [SCALE]\n", argv[0]);
        return 2;
    }
    // Another font would silently change the committed picture.
    if (!QFont(kFontFamily).exactMatch()) {
        std::fprintf(stderr, "%s: font %s is missing; install fonts-ipafont-gothic\n", argv[0],
                     qPrintable(kFontFamily));
        return 1;
    }

    const QByteArray jpeg = JpegCompressor().compress(DrawHint(scale));
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(jpeg) != jpeg.size() ||
        !out.flush()) {
        std::fprintf(stderr, "%s: could not write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
