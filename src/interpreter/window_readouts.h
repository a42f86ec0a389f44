// What the interpreter reads from and sets on the main window: the "Full Auto" check mark, the
// lock check box and the lock-poll timer. A seam, so that the interpreter runs and is tested
// without a window; NoWindow stands in until one exists (nothing checked, timer untouched).
#pragma once

namespace vexalo {

class WindowReadouts {
public:
    virtual ~WindowReadouts() = default;
    virtual bool fullAutoChecked() const = 0;
    virtual int lockKeyModeValue() const = 0; // 1 checked, 0 unchecked
    virtual void setTimer1Enabled(bool enabled) = 0;
};

class NoWindow : public WindowReadouts {
public:
    bool fullAutoChecked() const override { return false; }
    int lockKeyModeValue() const override { return 0; }
    void setTimer1Enabled(bool) override { }
};

} // namespace vexalo
