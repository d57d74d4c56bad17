// File permissions as an ordinary user meets them, also when the tests run as
// root: root's capabilities to override file modes are set aside for the
// calling thread while the object lives (a file without write permission can
// then not be opened for writing, as for any user), and restored afterwards.
//
//   ::chmod(path, 0444);
//   testing::AsOrdinaryUser user;
//   ... open the file: read only ...
#pragma once

namespace trunaccount::testing {

class AsOrdinaryUser {
public:
    // Raises std::runtime_error when the capabilities cannot be changed.
    AsOrdinaryUser();
    ~AsOrdinaryUser();
    AsOrdinaryUser(const AsOrdinaryUser&) = delete;
    AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

private:
    unsigned int dropped_ = 0;  // the capability bits taken out of the effective set
};

}  // namespace trunaccount::testing
