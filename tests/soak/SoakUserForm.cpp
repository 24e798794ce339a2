// The random user's edits of the form: kind, pattern, counts, sizes, the
// Julia constant, the up-down controls and "再計算".
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <array>
#include <cstdint>

#include "SoakUser.h"
#include "app/MorvaneApp.h"
#include "document/MorvaneDoc.h"
#include "platform/DataExchange.h"
#include "platform/UpDown.h"
#include "res/Resource.h"
#include "view/MorvaneView.h"

namespace {

// Texts a parse or a range check refuses.
const std::array<const char*, 8> kBadColors{"5", "0", "20000", "-3", "abc", "", " 1 2", "1e3"};
// The limit is never checked, only read: no text here may give a long render.
const std::array<const char*, 5> kBadIterations{"abc", "", "-", "12x", "3.5"};
const std::array<const char*, 7> kBadSides{"5", "3000", "-5", "", "abc", "0", "4 8"};
const std::array<const char*, 5> kBadReals{"abc", "1e", "", "--1", "0x10"};

QString Quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

}  // namespace

QString CSoakUser::SwitchKind() {
    const bool julia = Chance(50);
    QTest::mouseClick(Control(julia ? IDC_JULIA : IDC_MANDELBROT), Qt::LeftButton);
    return julia ? QStringLiteral("kind Julia") : QStringLiteral("kind Mandelbrot");
}

QString CSoakUser::ChangePattern() {
    const int index = Uniform(0, 9);
    auto* combo = qobject_cast<QComboBox*>(Control(IDC_PATTERN));
    // What choosing an entry of the drop-down list does.
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    return QStringLiteral("pattern %1").arg(index);
}

void CSoakUser::Type(int id, const QString& text) {
    auto* edit = qobject_cast<QLineEdit*>(Control(id));
    const bool keyByKey = Chance(60);
    if (!keyByKey) {
        edit->setText(text);  // pasted over the old text: one change
        return;
    }
    edit->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(edit, Qt::Key_Backspace);
    } else {
        QTest::keyClicks(edit, text);
    }
}

QString CSoakUser::MaybeRecalc(const QString& done) {
    if (Chance(70)) {
        return done + QStringLiteral(", ") + Recalc();
    }
    return done;
}

QString CSoakUser::EditCount(int id, const char* name, int maximum) {
    const bool valid = Chance(75);
    const int value = Uniform(10, maximum);
    const bool colours = id == IDC_COLORS;
    const std::size_t bad = static_cast<std::size_t>(
        Uniform(0, static_cast<int>((colours ? kBadColors.size() : kBadIterations.size())) - 1));
    QString text = valid ? QString::number(value)
                         : QString::fromUtf8(colours ? kBadColors.at(bad) : kBadIterations.at(bad));
    if (colours && !valid && !m_knownFaults && m_app.Document().m_benchmarkRunning) {
        text = QString::number(value);  // it would stall the run, see SoakUser.h
    }
    Type(id, text);
    return MaybeRecalc(QStringLiteral("%1 %2").arg(QLatin1String(name), Quoted(text)));
}

QString CSoakUser::EditSize() {
    const int which = Uniform(0, 2);  // width, height, both
    QStringList done;
    for (const int id : {IDC_WIDTH, IDC_HEIGHT}) {
        const bool valid = Chance(75);
        const int value = Uniform(10, kMaxSide);
        const auto bad = static_cast<std::size_t>(Uniform(0, kBadSides.size() - 1));
        if ((id == IDC_WIDTH && which == 1) || (id == IDC_HEIGHT && which == 0)) {
            continue;
        }
        const QString text = valid ? QString::number(value) : QString::fromUtf8(kBadSides.at(bad));
        Type(id, text);
        done << QStringLiteral("%1 %2").arg(
            id == IDC_WIDTH ? QStringLiteral("width") : QStringLiteral("height"), Quoted(text));
    }
    return MaybeRecalc(done.join(QStringLiteral(", ")));
}

QString CSoakUser::EditConstant() {
    const bool real = Chance(50);
    const bool valid = Chance(75);
    const int value = Uniform(-1000, 1000);
    const auto bad = static_cast<std::size_t>(Uniform(0, kBadReals.size() - 1));
    const int id = real ? IDC_JULIA_RE : IDC_JULIA_IM;
    if (!Control(id)->isEnabled()) {
        return QStringLiteral("constant not edited: the Mandelbrot set is shown");
    }
    const QString text =
        valid ? QString::number(value / 1000.0) : QString::fromUtf8(kBadReals.at(bad));
    Type(id, text);
    return MaybeRecalc(QStringLiteral("constant %1 %2")
                           .arg(real ? QStringLiteral("re") : QStringLiteral("im"), Quoted(text)));
}

QString CSoakUser::StepSpin() {
    const bool colours = Chance(50);
    bool up = Chance(50);
    if (!colours) {
        // Never above the soak's largest limit.
        std::int32_t limit = 0;
        const bool readable =
            DdxParseInt(qobject_cast<QLineEdit*>(Control(IDC_ITERATIONS))->text(), limit);
        up = up && readable && limit < kMaxIterations * 10 / 11;
    }
    auto* spin = qobject_cast<CUpDown*>(Control(colours ? IDC_COLORS_SPIN : IDC_ITERATIONS_SPIN));
    QTest::mouseClick(up ? spin->UpButton() : spin->DownButton(), Qt::LeftButton);
    return MaybeRecalc(QStringLiteral("%1 spin %2")
                           .arg(colours ? QStringLiteral("colours") : QStringLiteral("limit"),
                                up ? QStringLiteral("up") : QStringLiteral("down")));
}

QString CSoakUser::Recalc() {
    QTest::mouseClick(Control(IDC_RECALC), Qt::LeftButton);
    return QStringLiteral("再計算");
}

bool CSoakUser::ColorCountRefused() const {
    std::int32_t count = 0;
    const QString text = qobject_cast<QLineEdit*>(Control(IDC_COLORS))->text();
    return !DdxParseInt(text, count) || count < 10 || count > 10000;
}
