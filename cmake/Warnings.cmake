# Warnings for our own code. Libraries outside the tree come in as system includes (imported
# targets, /usr/include, OpenCV's folder marked SYSTEM), so these apply only to what we write.
#   -Wshadow               a local or parameter hiding a member or an outer name
#   -Wnon-virtual-dtor     a class with virtual functions deleted through a base pointer
#   -Woverloaded-virtual   an overload that hides a base's virtual function instead of overriding it
#   -Wsuggest-override     an override without `override`, which would silently stop overriding when
#                          the base's signature changes
#   -Wcast-qual            a cast that drops const or volatile
#   -Wduplicated-cond      an if / else-if chain testing the same condition twice
#   -Wlogical-op           && or || with the same operand on both sides, or with a constant
#   -Wformat=2             format strings that are not literals or do not match their arguments
add_compile_options(-Wall -Wextra -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wsuggest-override -Wcast-qual
  -Wduplicated-cond -Wlogical-op -Wformat=2)
if(VELTRIN_WERROR)
  add_compile_options(-Werror)
endif()
