// English string table (language 1033). Ids 107, 108 and 118 are not defined.
#include "res/StringTables.h"

namespace vornalix::res {

const std::map<int, std::string>& EnglishStrings() {
    static const std::map<int, std::string> table = {
        {104, "Power on the Qel Gateway and unplug the DSL or cable modem from  the  back of the Qel Gateway. Unplug  all of the other computers that  are  connected  to  the Ethernet ports on the back of the gateway except the one that you are currently  using  (if connected using an Ethernet Cable).\n\nClick \"NEXT\" to start the Vornalix firmware update utility."},
        {105, "Restart the Qel Gateway"},
        {106, "Restart the Qel Gateway"},
        {109, "The following registry key is required to run the Vornalix utility: \n\"DisableDHCPMediaSense\".  Clicking \"YES\" will enable this \nregistry key. "},
        {110, "The registry key \"DisableDHCPMediaSense\" has been enabled.  Please RESTART your computer and start the  Vornalix Utility again.  "},
        {111, "Could not create the registry key: \"DisableDHCPMediaSense\".  Login to Windows as Administrator and start the Vornalix Utility again."},
        {112, "The following registry key was enabled by the Vornalix utility:\n\"DisableDHCPMediaSense\".  This key may not be needed any longer. Do you want to\ndisable this registry key?\nNote: You will need to restart your computer after the registry key is disabled.  If you\nclick \"NO\" the Vornalix utility will close automatically."},
        {113, "The registry key \"DisableDHCPMediaSense\" has been disabled.  Please RESTART your computer."},
        {114, "Error: a wireless or Ethernet network adapter was not found\nin  your  system  or an IP address was  not assigned to the\nnetwork adapter (NIC).\n\nAre you sure a network adapter (NIC) is installed on your\ncomputer?"},
        {115, "Unplug and plug the power cord to the Qel Gateway."},
        {116, "The firmware could not be updated. Please ensure that you are connected to the gateway.  Unplug the Gateway and attempt the update process again by clicking the RETRY button below."},
        {117, "Reboot failure!!!\nPlease check firmware filename and click 'Retry', click cancel to exit."},
        {119, "Firmware Update Failed!"},
        {120, "Invalid firmware file or Programming failure.\nPlease check firmware filename and click 'Retry',  click cancel to exit."},
        {121, "In approximately  10  to  20 seconds  after  completing the firmware update, the orange TEST LED  on  the  front of the Gateway should start blinking.\n1. After  the  orange TEST LED  begins to blink, Please click the \"Next\" button.\n2. If the orange TEST LED  does  not start blinking  after 30 seconds, the firmware update failed.  Click  the  RETRY button and attempt to update the firmware again."},
        {122, "\nRouter firmware has been revised successfully. Please click \"EXIT\" button and enjoy high speed surfing."},
        {123, "\nCould not connect to the Qel Gateway.  Please ensure\nthat you entered the correct web address (URL)."},
        {124, "Checking to ensure the Qel Gateway has successfully restarted.\nThis process may take up to 40 seconds to complete."},
        {125, "Welcome to Vornalix"},
        {126, "Programming Flash...\nThis process may take up to 25 seconds to complete."},
        {127, "Restarting Qel Gateway"},
        {128, "Restarting..."},
        {129, "Updating the Firmware"},
        {130, "Uploading the Firmware"},
        {131, "is being uploaded..."},
        {132, "Please Wait"},
        {133, "Choose Firmware and Network Adapter"},
        {134, "Choose Firmware File"},
        {135, "Gateway WEB Address"},
        {136, "Choose upgrade mode"},
        {137, "Firmware Update Complete"},
        {138, "The Gateway's firmware has been upgraded and restarted successfully."},
        {139, "The firmware update failed.  Please ensure that you are properly connect to the gateway and attempt the update process again by clicking the RETRY button below."},
        {140, "Firmware Update Failed!"},
        {141, "Updating the Firmware"},
        {142, "Updating the firmware...."},
        {143, "Ensure that your wireless or Ethernet network adapter\nhas been assigned an IP address."},
        {144, "Ensure that your wireless or Ethernet network adapter is\ninstalled and that it has been assigned an IP address."},
        {145, "Check Update Status"},
        {146, "Restart Gateway"},
        {147, "Congratulations! The firmware has been successfully updated.\n\nPlease restart the Qel Gateway to activate the new firmware by unplugging the power cord from the Gateway, waiting 5 seconds, and then plugging the power cord back in.\n\nPlease click the Exit button to exit this program.\n"},
        {148, "Current Gateway Information"},
        {149, "Error: The operation timed out!"},
        {150, "Could not connect to the Qel Gateway: "},
        {151, "Please ensure that you entered the correct web Address (URL). "},
        {152, "Please make sure to restart the Qel Gateway by unplugging the power cord\nfrom the Gateway and then plugging the power cord back in."},
    };
    return table;
}

} // namespace vornalix::res
