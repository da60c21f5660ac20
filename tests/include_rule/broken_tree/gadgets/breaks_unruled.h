// Code in a folder that has no include rule.
#pragma once
