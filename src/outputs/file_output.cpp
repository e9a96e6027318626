#include "outputs/file_output.h"

#include "nmea/sentence.h"

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
    m_recorder.close();
    m_on = false;
}

OutputState FileOutput::state() const {
    return {m_on, m_recorder.path(), m_problem, -1};
}

void FileOutput::writeLine(std::string_view line) {
    if (!m_on) {
        return;
    }
    if (line.size() >= kSentenceEnd.size() && line.substr(line.size() - kSentenceEnd.size()) == kSentenceEnd) {
        line.remove_suffix(kSentenceEnd.size());
    }
    if (const std::optional<Failure> failure = m_recorder.append(line)) {
        m_problem = failure->message();
        m_relay.notify(m_problem);
    } else if (!m_problem.empty() && !m_recorder.isFailing()) {
        m_problem.clear();
        m_relay.notify({});
    }
}

}  // namespace pelora
