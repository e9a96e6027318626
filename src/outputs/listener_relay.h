#pragma once

#include <QObject>

#include <functional>
#include <string>

namespace pelora {

// Holds an output's listener and calls it from the event loop, never from inside the call that
// noticed the change (a write, a start), so that a listener may look at the output freely.
class ListenerRelay {
public:
    void set(std::function<void(const std::string& problem)> listener) { m_listener = std::move(listener); }

    // Calls the listener with `problem` once the event loop comes round; nothing happens when
    // the relay is gone by then.
    void notify(const std::string& problem) {
        QMetaObject::invokeMethod(
            &m_context,
            [this, problem] {
                if (m_listener) m_listener(problem);
            },
            Qt::QueuedConnection);
    }

private:
    QObject m_context;
    std::function<void(const std::string&)> m_listener;
};

}  // namespace pelora
