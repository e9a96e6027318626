#include "run/simulation.h"

#include <algorithm>

#include "config/output_settings.h"
#include "nmea/sentence.h"
#include "text/text.h"

namespace pelora {

namespace {

// The order the outputs are written in: the serial line and the virtual serial port first
// (each one write of a few microseconds, read by programs that time the line), then UDP, the
// other single outputs, and the TCP server's fan-out to all its clients last.
int writeRank(const std::string& endpoint) {
    const std::string scheme = endpoint.substr(0, endpoint.find(':'));
    if (scheme == "serial") return 0;
    if (scheme == "pty") return 1;
    if (scheme == "udp") return 2;
    if (scheme == "tcp") return 4;
    return 3;
}

bool isSet(const Failure& failure) {
    return !failure.what.empty() || !failure.reason.empty();
}

std::string roleEndpoint(OutputRole role, const OutputSettings& settings, const std::string& defaultLink) {
    switch (role) {
    case OutputRole::Tcp:
        return "tcp://" + hostPortText(std::string(trim(settings.tcpAddress)), settings.tcpPort);
    case OutputRole::Udp:
        return "udp://" + hostPortText(std::string(trim(settings.udpAddress)), settings.udpPort);
    case OutputRole::Pty:
        return "pty:" + (settings.ptyLink.empty() ? defaultLink : settings.ptyLink);
    }
    return {};
}

// The endpoint as its output names it (parsed and written back), or the text as it stands.
std::string canonical(const std::string& endpoint) {
    const Result<Endpoint> parsed = parseEndpoint(endpoint);
    return parsed ? parsed->text() : endpoint;
}

}  // namespace

Failure unusableSetting(const std::string& value) {
    return Failure{"The settings file's " + value + " cannot be used", "its default stands", 0};
}

// One output of the list: made from its endpoint, running or not.
struct Simulation::Slot {
    std::string endpoint;            // canonical
    std::unique_ptr<Output> output;  // null when it could not be made
    Failure problem;                 // why it could not be made or started
    bool started = false;            // its start went through: it runs, or waits for its peer
    bool runOnly = false;            // the command line's, kept whatever the choices say
};

Simulation::Simulation(const SimulationServices& services)
    : m_services(services), m_ports(services.serial), m_cycle(services.clock, services.random, *this) {
    m_cycle.setSeed(services.seed);
    m_cycle.setLineBaud([this] { return lineBaud(); });
    m_ports.setEventListener([this](const PortEvent& event) {
        if (m_view != nullptr) m_view->showPortEvent(event);
    });
    m_ports.setListener([this](const std::string& problem) { outputChanged(m_ports.endpoint(), problem); });
}

Simulation::~Simulation() {
    for (const std::unique_ptr<Slot>& slot : m_slots) {
        if (slot->output) slot->output->setListener({});
    }
    m_ports.setListener({});
    m_ports.setEventListener({});
}

void Simulation::setView(SimulationView* view) {
    m_view = view;
    static RunView nothing;
    m_cycle.setView(view != nullptr ? static_cast<RunView&>(*view) : nothing);
}

void Simulation::tick() {
    for (const auto& listener : m_beforeTickListeners) {
        listener();
    }
    const bool running = m_cycle.Running();
    m_cycle.tick();
    flushOutputs();
    // A simulated second passes with each tick that ran: the first tick tells the start time.
    if (running && m_simulatedClock) {
        m_simulatedClock->tick();
    }
    if (running) ++m_runningTicks;
    for (const auto& listener : m_tickListeners) {
        listener();
    }
}

void Simulation::addTickListener(std::function<void()> listener) {
    m_tickListeners.push_back(std::move(listener));
}

void Simulation::addBeforeTickListener(std::function<void()> listener) {
    m_beforeTickListeners.push_back(std::move(listener));
}

void Simulation::setSeed(std::uint64_t seed) {
    m_services.random.reseed(seed);
    m_cycle.setSeed(seed);
}

std::vector<std::string> Simulation::startReceiver(
    const std::function<ReceiverChoices(const ReceiverChoices& stored)>& overrides) {
    std::vector<std::string> unusable;
    const ReceiverChoices stored = loadReceiverChoices(m_services.settings, m_services.applicationName, &unusable);
    m_cycle.setReceiver(overrides ? overrides(stored) : stored);
    return unusable;
}

std::optional<Failure> Simulation::changeReceiver(const ReceiverChoices& choices) {
    m_cycle.setReceiver(choices);
    if (const std::optional<Failure> error =
            saveReceiverChoices(m_services.settings, m_services.applicationName, choices)) {
        return Failure{"The receiver's choices could not be saved to " + m_services.settings.location(),
                       error->reason, error->errorNumber};
    }
    return std::nullopt;
}

void Simulation::useSimulatedClock(const DateTime& startUtc) {
    m_simulatedClock = std::make_unique<SimulatedClock>(startUtc);
    m_cycle.setClock(*m_simulatedClock);
}

int Simulation::lineBaud() const {
    const auto baudOf = [](const std::string& endpoint) {
        const Result<Endpoint> parsed = parseEndpoint(endpoint);
        // A serial device without a rate opens at 4800 baud, as the window's port starts.
        constexpr long long kUnsaidBaud = 4800;
        return parsed ? static_cast<int>(wholeNumber(parsed->option("baud")).value_or(kUnsaidBaud)) : 0;
    };
    if (m_ports.isOpen()) {
        return baudOf(m_ports.endpoint());
    }
    for (const std::unique_ptr<Slot>& slot : m_slots) {
        if (slot->endpoint.rfind("serial:", 0) == 0 && slot->output && slot->output->state().running) {
            return baudOf(slot->endpoint);
        }
    }
    return 0;
}

void Simulation::send(const std::string& sentence) {
    sendLine(sentence + std::string(kSentenceEnd), sentence);
    flushOutputs();
}

void Simulation::keepOutputBacklogs(bool keep) {
    m_keepBacklogs = keep;
    for (const std::unique_ptr<Slot>& slot : m_slots) {
        if (slot->output) slot->output->keepBacklog(keep);
    }
}

std::size_t Simulation::outputBacklog() const {
    std::size_t bytes = 0;
    for (const std::unique_ptr<Slot>& slot : m_slots) {
        if (slot->output) bytes += slot->output->backlog();
    }
    return bytes;
}

void Simulation::flushOutputs() {
    for (const std::unique_ptr<Slot>& slot : m_slots) {
        if (slot->output) slot->output->flush();
    }
}

void Simulation::sendLine(const std::string& bytes, const std::string& sentence, bool shown) {
    m_ports.writeLine(bytes);
    for (const std::unique_ptr<Slot>& slot : m_slots) {
        if (slot->output) slot->output->writeLine(bytes);
    }
    ++m_sentCount;
    if (m_view != nullptr && shown) m_view->showSent(sentence, m_ports.isOpen());
    for (const auto& listener : m_sentListeners) {
        listener(sentence);
    }
}

void Simulation::addSentListener(std::function<void(const std::string& sentence)> listener) {
    m_sentListeners.push_back(std::move(listener));
}

void Simulation::outputChanged(const std::string& endpoint, const std::string& problem) {
    if (m_view != nullptr) m_view->showOutputChange(endpoint, problem);
}

std::vector<Failure> Simulation::startOutputs(
    const std::function<OutputSettings(const OutputSettings& stored)>& overrides) {
    std::vector<std::string> unusable;
    m_stored = loadOutputSettings(m_services.settings, m_services.applicationName, &unusable);
    std::vector<Failure> problems;
    for (const std::string& value : unusable) {
        problems.push_back(unusableSetting(value));
    }
    for (Failure& problem : apply(overrides ? overrides(m_stored) : m_stored)) {
        problems.push_back(std::move(problem));
    }
    return problems;
}

std::vector<Failure> Simulation::switchOutput(bool OutputSettings::*which, bool on) {
    OutputSettings settings = m_run;
    settings.*which = on;
    m_stored.*which = on;
    return changeOutputs(settings);
}

std::vector<Failure> Simulation::changeOutputs(const OutputSettings& settings) {
    // The addresses, ports, link and further outputs chosen here are the user's: they are kept
    // for later runs. Which outputs are on is kept only when switched (switchOutput).
    m_stored.tcpAddress = settings.tcpAddress;
    m_stored.tcpPort = settings.tcpPort;
    m_stored.udpAddress = settings.udpAddress;
    m_stored.udpPort = settings.udpPort;
    m_stored.ptyLink = settings.ptyLink;
    m_stored.endpoints = settings.endpoints;
    std::vector<Failure> problems;
    if (const std::optional<Failure> error =
            saveOutputSettings(m_services.settings, m_services.applicationName, m_stored)) {
        problems.push_back(Failure{"The output choices could not be saved to " + m_services.settings.location(),
                                   error->reason, error->errorNumber});
    }
    for (Failure& problem : apply(settings)) {
        problems.push_back(std::move(problem));
    }
    return problems;
}

std::vector<Failure> Simulation::apply(const OutputSettings& settings) {
    m_run = settings;
    m_cycle.setUtc(settings.utc);

    std::vector<std::string> wanted;
    if (settings.tcp) wanted.push_back(canonical(roleEndpoint(OutputRole::Tcp, settings, m_services.defaultPtyLink)));
    if (settings.udp) wanted.push_back(canonical(roleEndpoint(OutputRole::Udp, settings, m_services.defaultPtyLink)));
    if (settings.pty) wanted.push_back(canonical(roleEndpoint(OutputRole::Pty, settings, m_services.defaultPtyLink)));
    for (const std::string& endpoint : settings.endpoints) {
        wanted.push_back(canonical(endpoint));
    }
    // Outputs no longer wanted stop; those still wanted keep running (their clients connected).
    std::erase_if(m_slots, [&wanted](const std::unique_ptr<Slot>& slot) {
        if (slot->runOnly || std::find(wanted.begin(), wanted.end(), slot->endpoint) != wanted.end()) {
            return false;
        }
        if (slot->output) {
            slot->output->setListener({});
            slot->output->stop();
        }
        return true;
    });
    std::vector<Failure> problems;
    for (const std::string& endpoint : wanted) {
        if (std::optional<Failure> problem = place(endpoint, false)) {
            problems.push_back(std::move(*problem));
        }
    }
    return problems;
}

std::optional<Failure> Simulation::addRunOutput(const std::string& endpoint) {
    return place(canonical(endpoint), true);
}

std::optional<Failure> Simulation::place(const std::string& endpoint, bool runOnly) {
    const auto found = std::find_if(m_slots.begin(), m_slots.end(),
                                    [&endpoint](const std::unique_ptr<Slot>& slot) { return slot->endpoint == endpoint; });
    Slot* slot = found != m_slots.end() ? found->get() : nullptr;
    if (slot == nullptr) {
        m_slots.push_back(std::make_unique<Slot>());
        slot = m_slots.back().get();
        slot->endpoint = endpoint;
        slot->runOnly = runOnly;
        sortSlots();
    }
    slot->runOnly = slot->runOnly || runOnly;
    if (slot->output && slot->started) {
        return std::nullopt;  // started as asked: left alone (a client waiting for its server too)
    }
    slot->problem = {};
    if (!slot->output) {
        const Result<Endpoint> parsed = parseEndpoint(endpoint);
        if (!parsed) {
            slot->problem = parsed.failure();
            return slot->problem;
        }
        Result<std::unique_ptr<Output>> made = m_services.outputs.make(*parsed);
        if (!made) {
            slot->problem = made.failure();
            return slot->problem;
        }
        slot->output = std::move(*made);
        slot->output->setListener([this, endpoint](const std::string& problem) { outputChanged(endpoint, problem); });
        slot->output->keepBacklog(m_keepBacklogs);
    }
    if (std::optional<Failure> problem = slot->output->start()) {
        slot->problem = *problem;
        return problem;
    }
    slot->started = true;
    return std::nullopt;
}

void Simulation::sortSlots() {
    std::stable_sort(m_slots.begin(), m_slots.end(), [](const std::unique_ptr<Slot>& a, const std::unique_ptr<Slot>& b) {
        return writeRank(a->endpoint) < writeRank(b->endpoint);
    });
}

void Simulation::stopOutputs() {
    for (const std::unique_ptr<Slot>& slot : m_slots) {
        if (slot->output) slot->output->stop();
    }
    m_ports.stop();
}

OutputState Simulation::outputState(OutputRole role) const {
    const std::string endpoint = canonical(roleEndpoint(role, m_run, m_services.defaultPtyLink));
    for (const std::unique_ptr<Slot>& slot : m_slots) {
        if (slot->endpoint != endpoint) continue;
        OutputState state = slot->output ? slot->output->state() : OutputState{};
        if (isSet(slot->problem) && !state.running && state.problem.empty()) {
            state.problem = slot->problem.message();
        }
        if (state.where.empty()) state.where = endpoint;
        return state;
    }
    // Not running: where it would run.
    OutputState off;
    const Result<Endpoint> parsed = parseEndpoint(endpoint);
    off.where = parsed && parsed->port != 0 ? hostPortText(parsed->host, parsed->port) : endpoint.substr(endpoint.find(':') + 1);
    return off;
}

std::vector<std::pair<std::string, OutputState>> Simulation::outputStates() const {
    std::vector<std::pair<std::string, OutputState>> states;
    states.emplace_back(m_ports.endpoint(), m_ports.state());
    for (const std::unique_ptr<Slot>& slot : m_slots) {
        OutputState state = slot->output ? slot->output->state() : OutputState{};
        if (isSet(slot->problem) && !state.running && state.problem.empty()) {
            state.problem = slot->problem.message();
        }
        states.emplace_back(slot->endpoint, std::move(state));
    }
    return states;
}

std::optional<OutputState> Simulation::stateOf(const std::string& endpoint) const {
    for (auto& [name, state] : outputStates()) {
        if (name == endpoint) return state;
    }
    return std::nullopt;
}

}  // namespace pelora
