// Whether a Windows installation is hibernated, as the header of its hiberfil.sys says. Windows
// writes the image of its memory there when it hibernates and, with Fast Startup, at every
// shutdown (a hybrid shutdown writes the same image). While that image is valid, Windows resumes
// from it at its next start: changes made to its volume meanwhile are lost, or damage it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace harnlode {

enum class HibernationState {
  kNotHibernated,  // no hiberfil.sys, an empty one, a zeroed header, or an image already resumed
  kHibernated,     // a valid image that Windows would resume from ("hibr", "HIBR", "rstr", "RSTR")
  kUnknown,        // the file could not be read or its header is not one we know: assume the worst
};

struct Hibernation {
  HibernationState state = HibernationState::kNotHibernated;
  // The file that was examined; empty when there is none.
  std::filesystem::path file;
  // With kUnknown: why the state cannot be told, as an English phrase ("it cannot be read: ...").
  std::string reason;
};

// The state that a hiberfil.sys starting with these bytes stands for (its first bytes, or all of
// it when it is shorter). Pure.
HibernationState HibernationFromHeader(std::span<const std::uint8_t> header);

// The state of the installation in `folder`: its hiberfil.sys at the folder's root, found with
// the name matched without regard to case and no link followed out of the folder.
Hibernation InstallationHibernation(const std::filesystem::path& folder);

}  // namespace harnlode
