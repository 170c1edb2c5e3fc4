#pragma once

// One command of the main window at a time. While a lookup waits for its
// answers, the window stays in its event loop (commandwait.h), so a command
// can arrive in the middle: a click, a key, a screen reader's press
// action, a menu item triggered by code, the timer of a button's animated
// click. So can one while a command's own dialog or message box is open. Every handler
// runs its body through Run(), and a body asked for while another runs is
// dropped, not kept for later: an import or a clear that turned up in the
// middle of a long batch would otherwise empty the fresh results long after
// it was asked for. Nothing is lost by dropping, since the dropped command has
// not touched anything yet, and the user can simply give it again.
class CommandGuard {
public:
    bool Busy() const { return m_busy; }

    // Runs body unless a command is under way; returns whether it ran.
    template <typename Body> bool Run(Body &&body) {
        if (m_busy)
            return false;
        const Scope scope(m_busy);
        body();
        return true;
    }

private:
    // Lowers the flag however the body is left.
    struct Scope {
        explicit Scope(bool &flag)
            : m_busy(flag) {
            m_busy = true;
        }
        ~Scope() { m_busy = false; }
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;
        bool &m_busy;
    };

    bool m_busy = false;
};
