// Named pipes and security descriptors.
#pragma once
