#pragma once
// The air in the room, as the host sets it. Process-wide: every array
// instance hears through the same air.

namespace ksr {

struct Environment {
    float speedOfSound = 343.0f;   // m/s
    float humidity = 60.0f;        // percent relative humidity
    float airTemperature = 20.0f;  // degrees Celsius
    float airPressure = 1013.0f;   // hPa
};

}  // namespace ksr
