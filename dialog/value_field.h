#pragma once
// The behaviour of the design dialog's three value fields (difference angle,
// box gain, grid elevation): an edit control that selects its whole text when
// it gets the focus, takes Enter to commit its value, and moves on with Tab.

#include <windows.h>

#include <functional>

namespace ksr {

class ValueField {
public:
    using Commit = std::function<void()>;

    ValueField() = default;
    ~ValueField() { detach(); }
    ValueField(const ValueField&) = delete;
    ValueField& operator=(const ValueField&) = delete;

    // Gives edit the field behaviour. Enter runs commit, then selects the
    // whole text; a field without commit moves the focus on instead.
    void attach(HWND edit, Commit commit);
    void detach();

    HWND window() const { return edit_; }

private:
    static LRESULT CALLBACK subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void moveFocus(bool backwards) const;

    HWND edit_ = nullptr;
    Commit commit_;
};

}  // namespace ksr
