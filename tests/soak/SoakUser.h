#pragma once

#include <QPoint>
#include <QString>

#include <cstdint>
#include <random>

class CMorvaneApp;
class CMorvaneView;
class CSoakDialogs;
class CSoakFiles;
class QWidget;

// A random user of the program, reproducible from its seed: every action goes
// through the real widgets, the accelerator keys of the active main window,
// the menu commands, or the drawing window's own mouse and size events (and
// at times the messages that window posts). Values stay small enough for a
// burst of renders to end quickly: at most 480 x 480 pixels and an iteration
// limit of at most 2000.
//
// Steered around unless asked for: the benchmark checks the colour count
// held by the form, not its scene's own. With a refused count pending ("5",
// "20000"), starting the benchmark, or typing such a count while it runs,
// shows the colour count message
//   "色解像度は 10～10000の間にしてください。"
// at the next scene and renders nothing more until the count is corrected or
// the run is stopped, as the program intends; the picture shown is then not
// the document's, which the checks after a burst would count as a failure.
class CSoakUser {
public:
    static constexpr int kMaxSide = 480;
    static constexpr int kMaxIterations = 2000;

    // knownFaults: also type refused counts around the benchmark (see above).
    CSoakUser(CMorvaneApp& app, CSoakDialogs& dialogs, const CSoakFiles& files, std::uint64_t seed,
              bool knownFaults);

    int BurstLength() { return Uniform(4, 40); }
    // Does one action and tells what it was.
    QString Act();
    // Lets the program run for a random short while, from not at all to a
    // little more than a render pass takes.
    void Pause();
    // The end of a burst: stops the benchmark, lets a pending resize apply,
    // and when edits are still waiting (a value was refused), types valid
    // values over them and recalculates. Tells what it did.
    QString Finish();
    // Whether the last Finish found a benchmark that had stopped rendering.
    bool BenchmarkStalled() const { return m_benchmarkStalled; }

private:
    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_random); }
    bool Chance(int percent) { return Uniform(1, 100) <= percent; }
    CMorvaneView* View() const;
    QWidget* Control(int id) const;

    // index 0 up, 1 down, 2 left, 3 right; by the arrow key or the button.
    QString Pan(int index, bool key);
    QString ClickButton(int id, const char* name);
    QString PressKey(int key, int modifiers, const char* name);
    QString ClickPreview();
    QString ClickDrawing(bool right);
    QString Drag();
    QString Resize();
    QString SwitchKind();
    QString ChangePattern();
    QString EditCount(int id, const char* name, int maximum);
    QString EditSize();
    QString EditConstant();
    QString StepSpin();
    QString Recalc();
    QString FileNew();
    QString OpenFile();
    QString Benchmark();
    QString Copy();

    // Types the text into the edit as the user would have replaced it.
    void Type(int id, const QString& text);
    // Sometimes clicks "再計算" after an edit.
    QString MaybeRecalc(const QString& done);
    // Makes the main window the active one, as the accelerators need.
    bool ActivateFrame();
    QPoint DrawingPoint();
    // Whether the colour count edit holds a count "再計算" would refuse.
    bool ColorCountRefused() const;

    CMorvaneApp& m_app;
    CSoakDialogs& m_dialogs;
    const CSoakFiles& m_files;
    std::mt19937_64 m_random;
    const bool m_knownFaults;
    bool m_benchmarkStalled = false;
};
