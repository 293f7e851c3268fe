@Page
	Indented ~A~
Name:	~B~	|
@EndPage
