#pragma once

#include <optional>
#include <string>

#include "sim/random_source.h"

namespace pelora {

// How the tick steers: towards the autopilot course, or at the demanded rate of turn.
enum class SteeringMode { Autopilot, RateOfTurn };

// The simulated ship between steps. All zero or empty when the window is created.
struct ShipState {
    double Ship_Lat = 0;        // true latitude, degrees, north positive
    double Ship_Lon = 0;        // true longitude, degrees, east positive
    double Ship_Speed = 0;      // knots through the water
    double Ship_Heading = 0;    // degrees
    double AutoPilot_Dir = 0;   // demanded course, degrees
    double Ship_ROT = 0;        // degrees per second, positive to starboard
    double Demand_ROT = 0;      // degrees per second
    std::string COG_Text;       // "000.0" course over ground of the last full step
    std::string SOG_Text;       // "0.0" speed over ground of the last full step
    double cogDegrees = 0;      // the same two as numbers
    double sogKnots = 0;
};

// What one step reads from the window, already turned into numbers.
struct StepInputs {
    bool first_step = false;        // no previous step since Run or resume
    double dir_number = 0;          // number in the course box (read on a first step)
    double elapsed_ms = 0;          // monotonic time since the previous step
    double demanded_speed = 0;      // knots
    bool response_on = false;
    double response_seconds = 0;    // time constant
    bool sea_on = false;
    double sea_metres = 0;          // largest sea-state displacement per step
    bool noise_on = false;
    double noise_metres = 0;        // largest GPS noise offset
    SteeringMode mode = SteeringMode::RateOfTurn;
};

// What one step gives back besides the new state.
struct StepResult {
    double reported_lat = 0;              // true latitude plus this step's GPS noise
    double reported_lon = 0;              // true longitude plus this step's GPS noise
    bool readouts_changed = false;        // COG_Text and SOG_Text were recomputed
    std::optional<std::string> dir_text;  // new course box text (rate-of-turn mode only)
};

// Advances the ship by one step. Draws from `random` in the order sea (two numbers, only when
// the sea state is on), then noise (two numbers, only when the noise is on). Every reported
// position is finite, the latitude within -90..90 and the longitude within -180..180.
StepResult advanceShip(ShipState& ship, const StepInputs& inputs, RandomSource& random);

}  // namespace pelora
