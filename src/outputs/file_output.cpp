#include "outputs/file_output.h"


namespace pelora {

FileOutput::FileOutput(std::string path) : m_recorder(std::move(path)) {}

std::string FileOutput::endpoint() const {
    return "file:" + m_recorder.path();
}

std::optional<Failure> FileOutput::start() {
    if (std::optional<Failure> failure = m_recorder.open()) {
        m_problem = failure->message();
        m_on = false;
        return failure;
    }
    m_problem.clear();
    m_on = true;
    return std::nullopt;
}

void FileOutput::stop() {
    flush();
    m_recorder.close();
    m_on = false;
}

OutputState FileOutput::state() const {
    return {m_on, m_recorder.path(), m_problem, -1};
}

void FileOutput::writeLine(std::string_view line) {
    if (m_on) {
        m_pending.append(line);
    }
}

void FileOutput::flush() {
    if (!m_on || m_pending.empty()) {
        return;
    }
    if (const std::optional<Failure> failure = m_recorder.appendBytes(m_pending)) {
        m_problem = failure->message();
        m_relay.notify(m_problem);
    } else if (!m_problem.empty() && !m_recorder.isFailing()) {
        m_problem.clear();
        m_relay.notify({});
    }
    m_pending.clear();
}

}  // namespace pelora
