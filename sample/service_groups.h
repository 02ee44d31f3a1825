// The load groups of a Windows installation, in the order in which Windows starts them.
#pragma once

#include <string>
#include <vector>

namespace harnlode {

inline const std::vector<std::string> kServiceGroupOrder = {"System Reserved",
                                                            "Boot Bus Extender",
                                                            "System Bus Extender",
                                                            "SCSI miniport",
                                                            "Port",
                                                            "Primary Disk",
                                                            "SCSI Class",
                                                            "SCSI CDROM Class",
                                                            "Filter",
                                                            "Boot File System",
                                                            "Base",
                                                            "Pointer Port",
                                                            "Keyboard Port",
                                                            "Pointer Class",
                                                            "Keyboard Class",
                                                            "Video Init",
                                                            "Video",
                                                            "Video Save",
                                                            "File System",
                                                            "Event Log",
                                                            "Streams Drivers",
                                                            "NDIS Wrapper",
                                                            "PNP_TDI",
                                                            "NDIS",
                                                            "TDI",
                                                            "NetBIOSGroup",
                                                            "PlugPlay",
                                                            "SpoolerGroup",
                                                            "Extended Base",
                                                            "FSFilter Activity Monitor"};

}  // namespace harnlode
