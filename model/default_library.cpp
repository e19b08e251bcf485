#include "model/default_library.h"

const std::wstring& DefaultLibraryText()
{
    // One line of text: the literals below are joined without separators.
    static const std::wstring text =
        LR"xml(<EquationList>)xml"
        LR"xml(<Equation type="3" name="Cayley&apos;s Sextic" equationy="4*a*(cos(1/3*th))^3" equationx="" createdBy="0" selected="0">)xml"
        LR"xml(<EquationParameter name="th" type="1" default="   0.00000" min="   0.00000" max="   0.00000" defaultMin="   0.00000" defaultMax="   6.28319" increment="   0.10000" minSet="0" maxSet="0" value="   0.00000" minValue="   0.00000" maxValue="   6.28319" defaultIncrement="   0.00000"></EquationParameter>)xml"
        LR"xml(<EquationParameter name="a" type="2" default="   1.00000" min="   0.00000" max="   0.00000" defaultMin="   0.00000" defaultMax="   0.00000" increment="   0.00000" minSet="0" maxSet="0" value="  10.00000" minValue="   0.00000" maxValue="   0.00000" defaultIncrement="   0.00000"></EquationParameter>)xml"
        LR"xml(</Equation>)xml"
        LR"xml(<Equation type="2" name="Cycloid" equationy="a*(1-cos(t))" equationx="a*(t-sin(t))" createdBy="0" selected="0">)xml"
        LR"xml(<EquationParameter name="t" type="1" default="   0.00000" min="   0.00000" max="   0.00000" defaultMin="   0.00000" defaultMax="   6.28319" increment="   0.10000" minSet="0" maxSet="0" value="   0.00000" minValue="   0.00000" maxValue="   6.28319" defaultIncrement="   0.00000"></EquationParameter>)xml"
        LR"xml(<EquationParameter name="a" type="2" default="   1.00000" min="   0.00000" max="   0.00000" defaultMin="   0.00000" defaultMax="   0.00000" increment="   0.00000" minSet="0" maxSet="0" value="  10.00000" minValue="   0.00000" maxValue="   0.00000" defaultIncrement="   0.00000"></EquationParameter>)xml"
        LR"xml(</Equation>)xml"
        LR"xml(<Equation type="2" name="Deltoid" equationy="2*b*sin(fi) - b*sin(2*fi)" equationx="2*b*cos(fi) + b*cos(2*fi)" createdBy="0" selected="0">)xml"
        LR"xml(<EquationParameter name="fi" type="1" default="   0.00000" min="   0.00000" max="   0.00000" defaultMin="   0.00000" defaultMax="   6.28319" increment="   0.10000" minSet="0" maxSet="0" value="   0.00000" minValue="   0.00000" maxValue="   6.28319" defaultIncrement="   0.00000"></EquationParameter>)xml"
        LR"xml(<EquationParameter name="b" type="2" default="   1.00000" min="   0.00000" max="   0.00000" defaultMin="   0.00000" defaultMax="   0.00000" increment="   0.00000" minSet="0" maxSet="0" value="  10.00000" minValue="   0.00000" maxValue="   0.00000" defaultIncrement="   0.00000"></EquationParameter>)xml"
        LR"xml(</Equation>)xml"
        LR"xml(<Equation type="2" name="Epicycloid" equationy="(a+b)*sin(fi)-b*sin(((a+b)/b)*fi)" equationx="(a+b)*cos(fi)-b*cos(((a+b)/b)*fi)" createdBy="0" selected="0">)xml"
        LR"xml(<EquationParameter name="fi" type="1" default="   0.00000" min="   0.00000" max="   0.00000" defaultMin="   0.00000" defaultMax="   6.28319" increment="   0.10000" minSet="0" maxSet="0" value="   0.00000" minValue="   0.00000" maxValue="   6.28319" defaultIncrement="   0.00000"></EquationParameter>)xml"
        LR"xml(<EquationParameter name="a" type="2" default="   1.00000" min="   0.00000" max="   0.00000" defaultMin="   0.00000" defaultMax="   0.00000" increment="   0.00000" minSet="0" maxSet="0" value="  10.00000" minValue="   0.00000" maxValue="   0.00000" defaultIncrement="   0.00000"></EquationParameter>)xml"
        LR"xml(<EquationParameter name="b" type="2" default="   1.00000" min="   0.00000" max="   0.00000" defaultMin="   0.00000" defaultMax="   0.00000" increment="   0.00000" minSet="0" maxSet="0" value="  10.00000" minValue="   0.00000" maxValue="   0.00000" defaultIncrement="   0.00000"></EquationParameter>)xml"
        LR"xml(</Equation>)xml"
        LR"xml(</EquationList>)xml";
    return text;
}
