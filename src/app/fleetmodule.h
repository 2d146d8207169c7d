#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <functional>
#include <memory>

#include "app/services.h"

namespace velumo {

namespace fleet {
class FleetLink;
}

// The station's fleet link, when fleet.ini is in the program folder (without it nothing here
// exists and the program is as it always was); the status member "fleet".
class FleetModule {
public:
    // What other parts of the program give the fleet; each may be left out.
    struct Sources {
        // The PNG of what the station shows, for the command "screenshot".
        std::function<QByteArray()> screenshot;
        // The alarms now, for the status.
        std::function<QJsonArray()> alarms;
    };

    FleetModule(const Services& services, Sources sources);
    // A clean exit: the station goes offline on the broker.
    ~FleetModule();

private:
    std::unique_ptr<fleet::FleetLink> m_link;
};

}  // namespace velumo
