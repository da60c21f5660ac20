# shellcheck shell=bash disable=SC2034  # the scripts that source it use what it sets
# The configuration of build/ that scripts/demo.sh and scripts/test.sh share: the demo's build is
# the tests' build, so whichever of the two runs second compiles only what the first did not need.
build_options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRIN_WERROR=ON)
