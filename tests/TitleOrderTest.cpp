#include "FolderWalker.h"
#include "PallixCollator.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The scanner finds titles, and so writes the database the grid and the table
// show, in the order a person reads names, not in the order of their bytes.
TEST(TitleOrder, TitlesAreFoundInTheOrderPeopleReadNames)
{
    TempDir dir;
    const std::vector<std::string> names = {"Zorro", "amelia", "東京物語", "Amélie", "Éclair", "Cabaret",
                                            "Amelia 2", "eclipse", "Ça commence aujourd'hui"};
    for (const std::string& name : names)
        dir.write("films/" + name + "/" + name + ".mkv", "");
    std::vector<TitleFolder> titles;
    std::vector<PallixString> problems;
    FolderWalker().walk(dir.file("films").c_str(), titles, problems);
    std::vector<std::string> found;
    for (const TitleFolder& title : titles)
        found.push_back(title.name.str());
    EXPECT_EQ(found, (std::vector<std::string>{"amelia", "Amelia 2", "Amélie", "Ça commence aujourd'hui", "Cabaret",
                                               "Éclair", "eclipse", "Zorro", "東京物語"}));
    EXPECT_TRUE(problems.empty());

    // Names alike but for case or accents keep a fixed order between them.
    EXPECT_TRUE(PallixCollator::Less("amelie", "Amelie"));
    EXPECT_FALSE(PallixCollator::Less("Amelie", "amelie"));
    EXPECT_TRUE(PallixCollator::Less("Amelie", "Amélie"));
    EXPECT_FALSE(PallixCollator::Less("Heat", "Heat"));
}
