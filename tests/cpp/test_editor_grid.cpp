// The editor's overload grid: dispatch orders and prototype lines of every family.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/editor_grid.h"

namespace {
using namespace v2py::grid;

// An overload as the documented lists name it: attribute selector (0 the attribute handle,
// then rows 1 to 21) and variant (0: with chronology, 1: without).
struct Form {
  int selector;
  int variant;
};
constexpr int C = 0, P = 1;

template <class Family>
std::vector<int> order() {
  return std::vector<int>(dispatchOrder<Family>.begin(), dispatchOrder<Family>.end());
}

std::vector<int> indices(const std::vector<Form>& forms, int variants) {
  std::vector<int> out;
  for (const Form& f : forms) out.push_back(f.selector * variants + f.variant);
  return out;
}

// The documented order of the value readers, by (row, variant).
const std::vector<Form> kGetterOrder = {
    {0, P},                                                                            // 1 selector
    {1, P}, {10, P}, {3, P}, {16, P}, {12, P}, {0, C}, {18, P}, {2, P}, {11, P}, {17, P},  // 2
    {1, C}, {10, C}, {3, C}, {12, C}, {16, C}, {18, C}, {2, C}, {11, C}, {17, C},       // 3
    {4, P}, {13, P}, {6, P}, {14, P}, {5, P}, {19, P}, {7, P}, {20, P},
    {4, C}, {13, C}, {6, C}, {8, P}, {15, P}, {14, C}, {5, C}, {19, C}, {7, C}, {9, P}, {21, P}, {20, C},  // 4
    {8, C}, {15, C}, {9, C}, {21, C}};                                                                  // 5

template <class Family>
void expectGetterOrder() {
  EXPECT_EQ(order<Family>(), indices(kGetterOrder, 2));
}

TEST(EditorGrid, ValueReadersFollowTheDocumentedOrder) {
  expectGetterOrder<getIntValue>();
  expectGetterOrder<getBoolValue>();
  expectGetterOrder<getFloatValue>();
  expectGetterOrder<getDoubleValue>();
  expectGetterOrder<getStringValue>();
}

// Writers keep the readers' order, except that a float, double or string value ranks above an
// index, so row 8 comes before row 6 with a chronology, and row 9 before row 7 with one.
template <class Family>
void expectSetterOrder(bool valueAboveIndex) {
  std::vector<Form> forms = kGetterOrder;
  if (valueAboveIndex) {
    for (size_t i = 0; i + 1 < forms.size(); ++i) {
      const Form a = forms[i];
      if (a.variant == C && (a.selector == 6 || a.selector == 7) && forms[i + 1].selector == a.selector + 2) {
        std::swap(forms[i], forms[i + 1]);
        ++i;
      }
    }
  }
  EXPECT_EQ(order<Family>(), indices(forms, 2));
}

TEST(EditorGrid, ValueWritersBreakTheTieByTheValueKind) {
  expectSetterOrder<setIntValue>(false);
  expectSetterOrder<setBoolValue>(false);
  expectSetterOrder<setFloatValue>(true);
  expectSetterOrder<setDoubleValue>(true);
  expectSetterOrder<setStringValue>(true);
  // The float writer's group of five arguments, written out.
  const std::vector<int> all = order<setFloatValue>();
  const std::vector<int> five(all.begin() + 28, all.begin() + 40);
  EXPECT_EQ(five, indices({{4, C}, {13, C}, {8, P}, {6, C}, {15, P}, {14, C}, {5, C}, {19, C}, {9, P}, {7, C},
                           {21, P}, {20, C}},
                          2));
}

TEST(EditorGrid, LookupOrders) {
  const std::vector<int> unit = indices({{0, 0}, {1, 0}, {3, 0}, {10, 0}, {12, 0}, {16, 0}, {18, 0}, {2, 0}, {11, 0},
                                         {17, 0}, {4, 0}, {13, 0}, {6, 0}, {14, 0}, {5, 0}, {19, 0}, {7, 0}, {20, 0},
                                         {8, 0}, {15, 0}, {9, 0}, {21, 0}},
                                        1);
  EXPECT_EQ(order<GetUnit>(), unit);
  EXPECT_EQ(order<GetAccessType>(), unit);
  std::vector<int> rows(unit.begin() + 1, unit.end());
  for (int& i : rows) --i;  // rows 1 to 21 without the handle
  EXPECT_EQ(order<HasAttribute>(), rows);
  EXPECT_EQ(order<GetAttribute>(), rows);
  EXPECT_EQ(order<GetAttributePath>(), (std::vector<int>{0, 1, 3, 2, 4, 6, 5, 7, 8, 9}));
}

TEST(EditorGrid, EntityAndConstructorOrders) {
  // Declared: index, identifier, (type, index), (type, name, index), (type, name).
  EXPECT_EQ(order<HasEntity>(), (std::vector<int>{1, 0, 2, 4, 3}));
  EXPECT_EQ(order<GetEntity>(), (std::vector<int>{1, 0, 2, 4, 3}));
  // Declared: handle, index, identifier, (S, index), (P, index), (S, S, index), (S, S), (P, P, index), (P, P).
  const std::vector<int> readers = {0, 2, 1, 3, 6, 4, 8, 5, 7};
  EXPECT_EQ(order<GetEntityType>(), readers);
  EXPECT_EQ(order<GetEntityName>(), readers);
  EXPECT_EQ(order<GetEntityID>(), readers);
  EXPECT_EQ(order<GetEntityNumberOfAttributes>(), readers);
  EXPECT_EQ(order<GetNumberOfEntities>(), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(order<Construct>(), (std::vector<int>{0, 1, 2}));
}

template <class Family, size_t I>
const char* proto() {
  return Proto<Family, At<I, Declared<Family>>>::text.data();
}

// The module's overload messages show every prototype line of several families (tested from
// Python); here the by-value string of the string writer and one parameter text of the docs.
TEST(EditorGrid, PrototypeLines) {
  EXPECT_STREQ((proto<setStringValue, 6>()),
               "OrvaneSDK::Model::EntityEditor::setStringValue(EntityID const &,size_t const,std::string const,"
               "OrvaneSDK::Chronology const)");
  EXPECT_STREQ(kRows.params[14], "(std::string const& entityType, std::string const& entityName, "
                                 "std::size_t const entity_i, std::string const& attributePath)");
}

}  // namespace
